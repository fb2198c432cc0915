// Stored tablebase entries and what they mean.
//
// Entries are read onto one 16-bit scale: 0 a draw, 32767 - n the side to
// move mates in n moves, -32766 + n it is mated in n moves, 0x7FFF no value.
// Two-byte tables store that scale directly; one-byte tables store a signed
// byte c that maps onto it (c = 127 meaning no value).
#pragma once

#include <cstdint>

#include "eval/tablebase_probe.h"  // TB_MATED_NOW, tb_loss_moves: the probe results

constexpr int TB_NO_VALUE = 0x7FFF;

constexpr int tb_map_byte_entry(int c) {
    if (c == 0) return 0;
    if (c == 127) return TB_NO_VALUE;
    if (c == -127) return -32640;
    if (c == -128) return 32640;
    return c > 0 ? c + 32640 : c - 32640;
}

// The probe result of an entry other than TB_NO_VALUE: n > 0 wins in n
// moves, -n < 0 loses in n moves, TB_MATED_NOW, or 0 for a draw.
constexpr int tb_entry_result(int value) {
    if (value > 0) return 32767 - value;
    if (value == 0) return 0;
    const int result = -32766 - value;
    return result == 0 ? TB_MATED_NOW : result;
}
