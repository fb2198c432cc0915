// Small helpers of the move-generation tests: moves as sorted text lists, so
// that a failing comparison names the moves that differ.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "perft.h"
#include "position/attack_units.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"

inline bool side_to_move_in_check(const Position* pos) {
    return opp_attacks(pos)[king_square(pos, pos->side)].direct != 0;
}

// The moves of a list, without the gives-check flag.
inline std::vector<Move> list_moves(const MoveEntry* start, int count) {
    std::vector<Move> moves;
    for (int i = 0; i < count; ++i) moves.push_back(start[i].move & MOVE_IDENTITY_MASK);
    return moves;
}

inline std::vector<Move> generate_all(Position* pos, int ply, int mode = 0) {
    return list_moves(move_list_start(pos, ply), gen_moves(pos, ply, mode, move_list_start(pos, ply)));
}

inline std::vector<Move> generate_evasions(Position* pos, int ply, uint32_t* info = nullptr, int mode = 0) {
    return list_moves(move_list_start(pos, ply),
                      gen_evasions(pos, info, ply, mode, move_list_start(pos, ply)));
}

// What perft and the search generate here.
inline std::vector<Move> generate_replies(Position* pos, int ply) {
    return side_to_move_in_check(pos) ? generate_evasions(pos, ply) : generate_all(pos, ply);
}

inline bool is_legal_move(Position* pos, Move move) {
    make_move(pos, move);
    const bool legal = own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct == 0;
    unmake_move(pos);
    return legal;
}

inline std::vector<Move> legal_only(Position* pos, const std::vector<Move>& moves) {
    std::vector<Move> legal;
    for (Move move : moves)
        if (is_legal_move(pos, move)) legal.push_back(move);
    return legal;
}

// Sorted, blank-separated coordinate texts with the kind digit where the
// text alone does not tell (castling "c", capture "x", en passant "e").
inline std::string moves_text(const std::vector<Move>& moves) {
    std::vector<std::string> texts;
    for (Move move : moves) {
        std::string text = move_text(move);
        switch (move_kind(move)) {
        case MK_CASTLING: text += "c"; break;
        case MK_CAPTURE: text += "x"; break;
        case MK_EN_PASSANT: text += "e"; break;
        default: break;
        }
        texts.push_back(text);
    }
    std::sort(texts.begin(), texts.end());
    std::string joined;
    for (const std::string& text : texts) joined += (joined.empty() ? "" : " ") + text;
    return joined;
}
