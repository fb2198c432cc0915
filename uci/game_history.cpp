#include "uci/game_history.h"

GameRecord game_records[GAME_RECORD_COUNT];
GameRecord* current_game_record = &game_records[1];
int game_ply = 1;
int game_ep_square = 0;
int ply_base = 0;
int clock_side = 0;
int engine_colour = 1;
int booked_ply = 1;
int game_is_chess960 = 0;
int last_book_ply = -1;
