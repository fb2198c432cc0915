#include "position/history_tables.h"

uint32_t history_good[HISTORY_BANDS][HISTORY_BAND_SIZE];
uint32_t history_tried[HISTORY_BANDS][HISTORY_BAND_SIZE];
uint8_t history_ratio[HISTORY_BANDS][HISTORY_BAND_SIZE];
