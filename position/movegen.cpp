#include "position/movegen.h"

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/board_sets.h"
#include "position/geometry.h"
#include "position/material.h"
#include "position/move_order.h"
#include "position/move_tests.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

// Raw scores; the ordering pass turns them into the final order.
constexpr int RECAPTURE_BONUS = 100;           // the victim is the man that just moved
constexpr int EN_PASSANT_SCORE = 128;
constexpr int QUEEN_PROMOTION_SCORE = 1056;
constexpr int KNIGHT_PROMOTION_SCORE = -480;
constexpr int ROOK_PROMOTION_SCORE = -608;
constexpr int BISHOP_PROMOTION_SCORE = -832;
// The quiescence generator's own scale.
constexpr int QS_QUEEN_PROMOTION_SCORE = 1120;
constexpr int QS_SEVENTH_RANK_PUSH_SCORE = 1056;
constexpr int QS_PASSER_VICTIM_BONUS = 256;    // the victim pawn stands one step from promoting

// Under-promotions are generated while the side has fewer men of the kind.
constexpr int UNDER_PROMOTION_LIMIT = 3;

inline MoveEntry* push(MoveEntry* list, Move move, int score) {
    list->move = move;
    list->score = int16_t(score);
    return list + 1;
}

// Writes the move whatever `keep` says and keeps it by advancing the list
// only when `keep` holds: no branch to mispredict per target square. The
// buffer has room for the one entry written past a list's end.
inline MoveEntry* push_if(MoveEntry* list, Move move, bool keep) {
    list->move = move;
    list->score = 0;
    return list + keep;
}

// The quiet moves to the first `count` squares of the ray listed at `ray`
// (count at most 7). All eight entries are written whatever the count, with
// no test per square, and the list keeps `count` of them: the rest lies past
// the list's end, inside the buffer (each list has room for 256 entries and
// holds at most 218 moves), and is overwritten by later moves.
inline MoveEntry* emit_ray(MoveEntry* list, int from, const uint8_t* ray, int count) {
#if defined(__SSE2__)
    // Eight target bytes widened to 16-bit moves, then to entries of score 0.
    const __m128i zero = _mm_setzero_si128();
    const __m128i targets = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(ray)), zero);
    const __m128i moves = _mm_or_si128(targets, _mm_set1_epi16(int16_t(encode_move(from, 0, MK_QUIET))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(list), _mm_unpacklo_epi16(moves, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(list + 4), _mm_unpackhi_epi16(moves, zero));
#else
    for (int i = 0; i < 8; ++i) {
        list[i].move = encode_move(from, ray[i], MK_QUIET);
        list[i].score = 0;
    }
#endif
    return list + count;
}

// The quiet moves along the ray from `from` in direction DIR, listed at `t`,
// up to its first man; `t` moves on to the next ray of the list.
template <int DIR>
inline MoveEntry* emit_slider_ray(MoveEntry* list, int from, uint64_t occupied, const uint8_t*& t) {
    const uint64_t on_ray = occupied & RAY_MASKS[DIR][from];
    // The ray's end square stops the scan on a free ray (see RAY_END_BITS);
    // a ray of a positive step meets its lowest square first.
    const uint64_t stops = on_ray | RAY_END_BITS[DIR][from];
    const int first = DIRECTION_STEPS[DIR] > 0 ? __builtin_ctzll(stops) : 63 - __builtin_clzll(stops);
    // The squares up to the stop, less the stop when a man stands there.
    const int count = king_distance[first][from] - int((on_ray >> first) & 1);
    list = emit_ray(list, from, t, count);
    const int length = ray_length[DIR][from];
    t += length;
    return list;
}

inline int pawn_forward(int side) { return side == WHITE ? 8 : -8; }
inline int pawn_start_rank(int side) { return side == WHITE ? 1 : 6; }
inline int pawn_seventh_rank(int side) { return side == WHITE ? 6 : 1; }
inline bool is_last_rank(int square) { return rank_of(square) == 0 || rank_of(square) == 7; }

inline bool is_own_pawn(const Position* pos, int square, int side) {
    return pos->kind[square] == PAWN && pos->colour[square] == side;
}

inline int capture_score(const Position* pos, int to) {
    return PIECE_VALUES[pos->kind[to]] + (to == pos->last_to ? RECAPTURE_BONUS : 0);
}

// Every own pawn that attacks the en-passant square takes there.
MoveEntry* emit_en_passant(const Position* pos, int side, MoveEntry* list) {
    const int ep = pos->ep_square;
    if (ep == 0) return list;
    uint32_t pawns = pos->attacks[side][ep].direct & pos->pawn_slots[side] & ATTACK_SLOT_MASK;
    while (pawns != 0) {
        int slot = highest_slot(pawns);
        pawns &= ~(1u << slot);
        list = push(list, encode_move(pos->piece_list[side][slot], ep, MK_EN_PASSANT),
                    EN_PASSANT_SCORE);
    }
    return list;
}

// Each enemy man but the king, lowest slot first (queen, rooks, bishops,
// knights, extra pieces, pawns), and its attackers of our side, highest slot
// first; the king takes only undefended men. `emit` writes the moves of one
// attacker.
template <typename Emit>
MoveEntry* emit_captures(const Position* pos, int side, MoveEntry* list, Emit emit) {
    const AttackRecord* own = pos->attacks[side];
    const AttackRecord* opp = pos->attacks[side ^ 1];
    // First every victim's attackers, without a branch: whether a man is
    // attacked follows no pattern, and most are not. Then only the attacked
    // victims are visited.
    // All fifteen slots but the king's in a loop of fixed length, whose end
    // is never mispredicted; an empty slot's square is read as some square
    // and its bit dropped.
    alignas(16) uint32_t attackers_of[16];
    uint32_t attacked = 0;
#if defined(__SSE2__)
    // The attackers worked out four slots at a time, from the squares' two
    // attack words put together in registers (SSE2 has no gather; vectors
    // read back from single stores would wait on the stores). The king's
    // slot reads as unattacked.
    const uint8_t* victims = pos->piece_list[side ^ 1];
    const auto words_of = [&](const AttackRecord* table, int group) {
        const auto word = [&](int slot) { return slot == 0 ? 0 : int(table[victims[slot] & 63].direct); };
        return _mm_setr_epi32(word(group), word(group + 1), word(group + 2), word(group + 3));
    };
    const __m128i zero = _mm_setzero_si128();
    const __m128i king_bit = _mm_set1_epi32(1);
    for (int group = 0; group < 16; group += 4) {
        const __m128i own4 = words_of(own, group);
        const __m128i opp4 = words_of(opp, group);
        // The king's bit cleared where the victim is defended.
        const __m128i defended_king = _mm_andnot_si128(_mm_cmpeq_epi32(opp4, zero), king_bit);
        const __m128i mask = _mm_xor_si128(_mm_set1_epi32(int(ATTACK_SLOT_MASK)), defended_king);
        const __m128i attackers = _mm_and_si128(own4, mask);
        _mm_store_si128(reinterpret_cast<__m128i*>(attackers_of + group), attackers);
        const uint32_t none = uint32_t(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(attackers, zero))));
        attacked |= (~none & 15u) << group;
    }
#else
    for (int slot = 1; slot < 16; ++slot) {
        const int to = pos->piece_list[side ^ 1][slot] & 63;
        // The king's bit cleared by a mask when the victim is defended.
        const uint32_t attackers = own[to].direct & ATTACK_SLOT_MASK & ~uint32_t(opp[to].direct != 0);
        attackers_of[slot] = attackers;
        attacked |= uint32_t(attackers != 0) << slot;
    }
#endif
    attacked &= pos->slots[side ^ 1];
    for (; attacked != 0; attacked &= attacked - 1) {
        const int slot = slot_index(attacked);
        const int to = pos->piece_list[side ^ 1][slot];
        uint32_t attackers = attackers_of[slot];
        do {
            const int attacker = highest_slot(attackers);
            attackers &= ~(1u << attacker);
            list = emit(list, pos->piece_list[side][attacker], to);
        } while (attackers != 0);
    }
    return list;
}

// The non-capturing moves of one man, in its target-list order.
MoveEntry* emit_quiet_moves(const Position* pos, int side, int from, int mode, uint64_t occupied,
                            MoveEntry* list) {
    const int piece = pos->kind[from];
    if (piece == PAWN) {
        const int forward = pawn_forward(side);
        const int to = from + forward;
        const bool free = pos->kind[to] == NO_KIND;
        if (is_last_rank(to)) return free ? emit_promotions(list, from, to, pos, side, mode) : list;
        // Both pushes written and kept by push_if: whether a pawn's squares
        // ahead are free follows no pattern. The square two ahead is only
        // read on the board (the double step needs the start rank anyway).
        const bool double_step = free & (rank_of(from) == pawn_start_rank(side)) &
                                 (pos->kind[(to + forward) & 63] == NO_KIND);
        list = push_if(list, encode_move(from, to, MK_QUIET), free);
        return push_if(list, encode_move(from, (to + forward) & 63, MK_QUIET), double_step);
    }
    // Every target is written and kept only when free (see push_if).
    if (piece == KNIGHT) {
        for (const uint8_t* t = ray_list(piece, from); *t != NO_SQUARE; ++t)
            list = push_if(list, encode_move(from, *t, MK_QUIET), pos->kind[*t] == NO_KIND);
        return list;
    }
    if (piece == KING) {
        const AttackRecord* opp = pos->attacks[side ^ 1];
        for (const uint8_t* t = ray_list(piece, from); *t != NO_SQUARE; ++t)
            list = push_if(list, encode_move(from, *t, MK_QUIET), (pos->kind[*t] == NO_KIND) & (opp[*t].direct == 0));
        return list;
    }
    // Bishop, rook, queen: each ray up to its first occupied square; the
    // directions as constants let each ray scan from its known end.
    const uint8_t* t = ray_list(piece, from);
    if (piece != BISHOP) {
        list = emit_slider_ray<DIR_EAST>(list, from, occupied, t);
        list = emit_slider_ray<DIR_NORTH>(list, from, occupied, t);
        list = emit_slider_ray<DIR_WEST>(list, from, occupied, t);
        list = emit_slider_ray<DIR_SOUTH>(list, from, occupied, t);
    }
    if (piece != ROOK) {
        list = emit_slider_ray<DIR_NORTH_WEST>(list, from, occupied, t);
        list = emit_slider_ray<DIR_NORTH_EAST>(list, from, occupied, t);
        list = emit_slider_ray<DIR_SOUTH_WEST>(list, from, occupied, t);
        list = emit_slider_ray<DIR_SOUTH_EAST>(list, from, occupied, t);
    }
    return list;
}

MoveEntry* emit_castling(const Position* pos, int side, int king, MoveEntry* list) {
    if (pos->moved[king] != 0) return list;
    if ((search_flags & EF_CHESS960) != 0) {
        if (castle_is_legal_chess960_kingside(pos, side, king))
            list = push(list, encode_move(king, castle_rook_squares[CASTLE_H_SIDE][side], MK_CASTLING), 0);
        if (castle_is_legal_chess960_queenside(pos, side, king))
            list = push(list, encode_move(king, castle_rook_squares[CASTLE_A_SIDE][side], MK_CASTLING), 0);
        return list;
    }
    // An unmoved king stands on its start square in standard chess; the test
    // keeps the square arithmetic on the back rank whatever the board.
    if (king != (side == WHITE ? E1 : E8)) return list;
    if (castle_is_legal(pos, king + 2, king + 3, king + 1, side, king))
        list = push(list, encode_move(king, king + 2, MK_CASTLING), 0);
    if (castle_is_legal(pos, king - 2, king - 4, king - 1, side, king))
        list = push(list, encode_move(king, king - 2, MK_CASTLING), 0);
    return list;
}

inline void finish_list(Position* pos, int ply, int mode, int side, MoveEntry* start, MoveEntry* end) {
    set_move_list_end(pos, ply, end);
    if (mode == 0)
        score_moves(ply, pos, side, end);
    else
        flag_checks_and_see(mode, pos, side, start, end);
}

// The quiet-check helper's walk along the orthogonal or the diagonal rays
// from the enemy king outward: empty squares that our line men of the rays'
// class reach give direct checks, and the first man of ours on a ray may
// uncover a line man behind it.
MoveEntry* emit_line_checks(const Position* pos, int side, int enemy_king, bool orthogonal,
                            MoveEntry* list) {
    const AttackRecord* own = pos->attacks[side];
    const uint32_t classes = orthogonal ? ORTHOGONAL_CLASS_MASK : DIAGONAL_CLASS_MASK;
    const uint32_t movers = orthogonal ? pos->orthogonal_movers[side] : pos->diagonal_movers[side];
    for (const uint8_t* t = ray_list(orthogonal ? ROOK : BISHOP, enemy_king); *t != NO_SQUARE;) {
        const int square = *t;
        if (pos->kind[square] == NO_KIND) {
            if ((own[square].direct & classes) != 0) {
                uint32_t checkers = own[square].direct & movers & ATTACK_SLOT_MASK;
                while (checkers != 0) {
                    int slot = highest_slot(checkers);
                    checkers &= ~(1u << slot);
                    list = push(list,
                                Move(MOVE_GIVES_CHECK |
                                     encode_move(pos->piece_list[side][slot], square, MK_QUIET)),
                                0);
                }
            }
            ++t;
            continue;
        }
        // A pawn on the king's file only pushes along it: it uncovers nothing.
        const bool pawn_on_file = orthogonal && pos->kind[square] == PAWN &&
                                  file_of(square) == file_of(enemy_king);
        if (pos->colour[square] == side && !pawn_on_file) {
            const int ray = direction_of[square][enemy_king];
            uint32_t behind = own[square].direct & movers & ATTACK_SLOT_MASK;
            while (behind != 0) {
                int slot = highest_slot(behind);
                behind &= ~(1u << slot);
                const int line_man = pos->piece_list[side][slot];
                // A hanging line man is not uncovered: the check is
                // usually answered by taking it.
                if (direction_of[line_man][enemy_king] == ray && pos->hanging[line_man] == 0) {
                    list = gen_discovering_moves(pos, square, side, enemy_king, list);
                    break;
                }
            }
        }
        t += ray_skip(t) + 1;
    }
    return list;
}

}  // namespace

MoveEntry* emit_promotions(MoveEntry* list, int from, int to, const Position* pos, int side,
                           int mode) {
    int queen_score = QUEEN_PROMOTION_SCORE;
    if (pos->kind[to] != NO_KIND) queen_score += capture_score(pos, to);
    list = push(list, encode_move(from, to, MK_PROMOTE_QUEEN), queen_score);

    const MaterialSignature signature = material_signature(pos->material_counts[side]);
    if (signature_knights(signature) < UNDER_PROMOTION_LIMIT)
        list = push(list, encode_move(from, to, MK_PROMOTE_KNIGHT), KNIGHT_PROMOTION_SCORE);
    if (mode == 0) {
        if (signature_rooks(signature) < UNDER_PROMOTION_LIMIT)
            list = push(list, encode_move(from, to, MK_PROMOTE_ROOK), ROOK_PROMOTION_SCORE);
        if (signature_bishops(signature) < UNDER_PROMOTION_LIMIT)
            list = push(list, encode_move(from, to, MK_PROMOTE_BISHOP), BISHOP_PROMOTION_SCORE);
    }
    return list;
}

int gen_moves(Position* pos, int ply, int mode, MoveEntry* list) {
    const int side = pos->side;
    MoveEntry* out = emit_captures(pos, side, list, [&](MoveEntry* l, int from, int to) {
        if (pos->kind[from] == PAWN && is_last_rank(to))
            return emit_promotions(l, from, to, pos, side, mode);
        return push(l, encode_move(from, to, MK_CAPTURE), capture_score(pos, to));
    });
    out = emit_en_passant(pos, side, out);

    const uint64_t occupied = board_sets(pos).occupied;
    // Own men, highest slot first: pawns, extra pieces, knights, bishops,
    // rooks, queen, and the king last with its castling moves.
    for (uint32_t men = pos->slots[side]; men != 0;) {
        int slot = highest_slot(men);
        men &= ~(1u << slot);
        const int from = pos->piece_list[side][slot];
        out = emit_quiet_moves(pos, side, from, mode, occupied, out);
        if (slot == 0) out = emit_castling(pos, side, from, out);
    }

    finish_list(pos, ply, mode, side, list, out);
    return int(out - list);
}

int gen_evasions(Position* pos, uint32_t* check_info, int ply, int mode, MoveEntry* list) {
    const int side = pos->side, enemy = side ^ 1;
    const int king = king_square(pos, side);
    const AttackRecord* own = pos->attacks[side];
    const AttackRecord* opp = pos->attacks[enemy];
    const uint32_t checks = opp[king].direct;
    if ((checks & ATTACK_SLOT_MASK) == 0) {
        // Not in check after all: every move is a reply.
        if (check_info != nullptr) *check_info = 0;
        return gen_moves(pos, ply, mode, list);
    }

    // The checker C and the direction d from it toward the king. A line
    // checker also covers the square behind the king, which the attack table
    // cannot show (the king stops the line), and the one toward itself.
    uint32_t king_directions = 0xFF;
    int checker, d;
    uint32_t report = 0;
    const bool double_check = checks >= TWO_ATTACKERS;
    if ((checks & LINE_CLASS_MASK) == 0) {
        const uint32_t checker_slots = checks & ATTACK_SLOT_MASK;
        checker = pos->piece_list[enemy][slot_index(checker_slots & -checker_slots)];
        d = direction_of[king][checker];
    } else {
        checker = king;
        d = DIR_NONE;
        for (uint32_t line_men = checks & pos->line_pieces[enemy] & ATTACK_SLOT_MASK; line_men != 0;) {
            int slot = highest_slot(line_men);
            line_men &= ~(1u << slot);
            checker = pos->piece_list[enemy][slot];
            d = direction_of[king][checker];
            king_directions &= ~(1u << d);
            if (king_distance[king][checker] > 1) king_directions &= ~(1u << OPPOSITE_DIRECTION[d]);
        }
        if (checker != pos->last_to) report |= CHECK_DISCOVERED;
        if (double_check) report |= CHECK_DOUBLE;
    }

    // The king's steps: each written and kept only when open (off the
    // board, an own man, an attacked square or a checker's line close it),
    // with no branch per direction, as which are open follows no pattern.
    MoveEntry* out = list;
    for (int dir = 0; dir < 8; ++dir) {
        const int step = next_square[dir][king];
        const int to = step & 63;  // a square to read also off the board
        const bool open = ((king_directions >> dir) & 1) & (step != NO_SQUARE) & (pos->colour[to] != side) &
                          (opp[to].direct == 0);
        const bool capture = pos->kind[to] != NO_KIND;
        out->move = encode_move(king, to, capture ? MK_CAPTURE : MK_QUIET);
        out->score = int16_t(capture ? capture_score(pos, to) : 0);
        out += open;
    }
    const int king_moves = int(out - list);

    if (!double_check) {
        const int forward = pawn_forward(side);
        const bool line_check = is_line_direction(d) && king_distance[king][checker] > 1;
        // En passant answers the check when it takes the checker (the pawn
        // that just stepped past the en-passant square) or when its landing
        // square lies between a line checker and the king.
        const int ep = pos->ep_square;
        const bool ep_takes_checker = pos->kind[checker] == PAWN && ep == checker + forward;
        const bool ep_interposes =
            line_check && direction_of[ep][checker] == d && direction_of[king][ep] == d;
        if (ep != 0 && (ep_takes_checker || ep_interposes)) {
            uint32_t pawns = own[ep].direct & pos->pawn_slots[side] & ATTACK_SLOT_MASK;
            while (pawns != 0) {
                int slot = highest_slot(pawns);
                pawns &= ~(1u << slot);
                const int from = pos->piece_list[side][slot];
                if (!is_pinned(pos, from, enemy))
                    out = push(out, encode_move(from, ep, MK_EN_PASSANT), EN_PASSANT_SCORE);
            }
        }

        // Capture the checker, or step between it and the king (only a line
        // checker leaves squares between).
        for (int x = checker; x != king; x = line_check ? next_square[d][x] : king) {
            uint32_t defenders = own[x].direct & ATTACK_SLOT_MASK & ~1u;
            if (x != checker) defenders &= ~pos->pawn_slots[side];  // pawns only take
            while (defenders != 0) {
                int slot = highest_slot(defenders);
                defenders &= ~(1u << slot);
                const int from = pos->piece_list[side][slot];
                if (is_pinned(pos, from, enemy)) continue;
                if (pos->kind[from] == PAWN && is_last_rank(x))
                    out = emit_promotions(out, from, x, pos, side, mode);
                else if (x == checker)
                    out = push(out, encode_move(from, x, MK_CAPTURE), capture_score(pos, x));
                else
                    out = push(out, encode_move(from, x, MK_QUIET), 0);
            }
        }

        // Pawn pushes onto the squares between.
        if (line_check) {
            const uint8_t* files = pawn_files(pos, side);
            for (int x = next_square[d][checker]; x != king; x = next_square[d][x]) {
                const uint32_t ranks_behind = side == WHITE ? (1u << rank_of(x)) - 1
                                                            : 0xFFu << (rank_of(x) + 1);
                if ((files[file_of(x)] & ranks_behind) == 0) continue;
                const int from = x - forward;
                if (is_own_pawn(pos, from, side)) {
                    if (is_pinned(pos, from, enemy)) continue;
                    if (is_last_rank(x))
                        out = emit_promotions(out, from, x, pos, side, mode);
                    else
                        out = push(out, encode_move(from, x, MK_QUIET), 0);
                } else if (rank_of(x) == (side == WHITE ? 3 : 4) && pos->kind[from] == NO_KIND &&
                           is_own_pawn(pos, from - forward, side) &&
                           !is_pinned(pos, from - forward, enemy)) {
                    out = push(out, encode_move(from - forward, x, MK_QUIET), 0);
                }
            }
        }
    }

    if (check_info != nullptr) *check_info = report | uint32_t(king_moves);
    finish_list(pos, ply, mode, side, list, out);
    return int(out - list);
}

int gen_quiet_checks(Position* pos, int ply, int mode, MoveEntry* list) {
    const int side = pos->side, enemy = side ^ 1;
    const int forward = pawn_forward(side);
    const int seventh = pawn_seventh_rank(side);
    const int sixth = side == WHITE ? 5 : 2;
    MoveEntry* out = list;

    // Pawns on the sixth and seventh ranks with the square ahead empty.
    uint32_t pawns =
        (pos->pawn_rank_slots[side][seventh] | pos->pawn_rank_slots[side][sixth]) & pos->slots[side];
    while (pawns != 0) {
        int slot = highest_slot(pawns);
        pawns &= ~(1u << slot);
        const int from = pos->piece_list[side][slot];
        const int to = from + forward;
        if (pos->kind[to] != NO_KIND) continue;
        if (rank_of(from) == seventh) {
            out = push(out, encode_move(from, to, MK_PROMOTE_QUEEN), QS_QUEEN_PROMOTION_SCORE);
            continue;
        }
        if (mode != 6) continue;
        // To the seventh rank: when it can't be blocked at once or it
        // attacks a man; checking pushes come from the quiet checks.
        const int beyond = to + forward;
        const bool attacks_man = (file_of(to) > 0 && pos->colour[beyond - 1] == enemy) ||
                                 (file_of(to) < 7 && pos->colour[beyond + 1] == enemy);
        const Move move = encode_move(from, to, MK_QUIET);
        if ((pos->kind[beyond] == NO_KIND || attacks_man) && gives_check(pos, move) == 0)
            out = push(out, move, QS_SEVENTH_RANK_PUSH_SCORE);
    }

    const int passer_rank = pawn_seventh_rank(enemy);
    out = emit_captures(pos, side, out, [&](MoveEntry* l, int from, int to) {
        const int victim = PIECE_VALUES[pos->kind[to]];
        if (pos->kind[from] == PAWN && is_last_rank(to))
            return push(l, encode_move(from, to, MK_PROMOTE_QUEEN), victim + QS_QUEEN_PROMOTION_SCORE);
        // Without a branch: which victims are pawns follows no pattern.
        const bool passer = (pos->kind[to] == PAWN) & (rank_of(to) == passer_rank);
        return push(l, encode_move(from, to, MK_CAPTURE), victim + (passer ? QS_PASSER_VICTIM_BONUS : 0));
    });
    out = emit_en_passant(pos, side, out);

    if ((mode & 2) != 0) out = gen_quiet_checks_helper(pos, side, king_square(pos, enemy), out);

    flag_checks_and_see(mode, pos, side, list, out);
    set_move_list_end(pos, ply, out);
    return int(out - list);
}

MoveEntry* gen_quiet_checks_helper(const Position* pos, int side, int enemy_king, MoveEntry* list) {
    const AttackRecord* own = pos->attacks[side];
    const uint32_t live = pos->slots[side];
    // The live slot masks rather than the material signature decide which
    // parts run: a signature field can carry over with a fourth man of a kind.
    if ((pos->diagonal_movers[side] & live) != 0)
        list = emit_line_checks(pos, side, enemy_king, false, list);
    if ((pos->orthogonal_movers[side] & live) != 0)
        list = emit_line_checks(pos, side, enemy_king, true, list);

    if ((pos->knight_slots[side] & live) != 0) {
        for (const uint8_t* t = ray_list(KNIGHT, enemy_king); *t != NO_SQUARE; ++t) {
            const int square = *t;
            if (pos->kind[square] != NO_KIND || (own[square].direct & KNIGHT_CLASS_MASK) == 0) continue;
            uint32_t knights = own[square].direct & pos->knight_slots[side] & ATTACK_SLOT_MASK;
            while (knights != 0) {
                int slot = highest_slot(knights);
                knights &= ~(1u << slot);
                const Move move = encode_move(pos->piece_list[side][slot], square, MK_QUIET);
                list = push(list, Move(MOVE_GIVES_CHECK | move), 0);
            }
        }
    }

    // Pawn pushes onto the two squares from which a pawn checks: single
    // pushes from two ranks away, double pushes from the start rank.
    const int file = file_of(enemy_king), rank = rank_of(enemy_king);
    auto pawn_check = [&](int from, int to, int passed) {
        if (is_own_pawn(pos, from, side) && pos->kind[to] == NO_KIND &&
            (passed == NO_SQUARE || pos->kind[passed] == NO_KIND))
            list = push(list, Move(MOVE_GIVES_CHECK | encode_move(from, to, MK_QUIET)), 0);
    };
    const int e = enemy_king;
    if (side == WHITE) {
        if (rank >= 3) {
            if (file > 0) pawn_check(e - 17, e - 9, NO_SQUARE);
            if (file < 7) pawn_check(e - 15, e - 7, NO_SQUARE);
        }
        if (rank == 4) {
            if (file > 0) pawn_check(e - 25, e - 9, e - 17);
            if (file < 7) pawn_check(e - 23, e - 7, e - 15);
        }
    } else {
        if (rank <= 4) {
            if (file > 0) pawn_check(e + 15, e + 7, NO_SQUARE);
            if (file < 7) pawn_check(e + 17, e + 9, NO_SQUARE);
        }
        if (rank == 3) {
            if (file > 0) pawn_check(e + 23, e + 7, e + 15);
            if (file < 7) pawn_check(e + 25, e + 9, e + 17);
        }
    }
    return list;
}

MoveEntry* gen_discovering_moves(const Position* pos, int square, int side, int enemy_king,
                                 MoveEntry* list) {
    const int piece = pos->kind[square];
    if (piece == PAWN) {
        const int forward = pawn_forward(side);
        const int to = square + forward;
        if (pos->kind[to] != NO_KIND || is_last_rank(to)) return list;
        list = push(list, encode_move(square, to, MK_QUIET), 0);
        if (rank_of(square) == pawn_start_rank(side) && pos->kind[to + forward] == NO_KIND)
            list = push(list, encode_move(square, to + forward, MK_QUIET), 0);
        return list;
    }

    const int uncovered = direction_of[enemy_king][square];
    const AttackRecord* opp = pos->attacks[side ^ 1];
    for (const uint8_t* t = ray_list(piece, square); *t != NO_SQUARE;) {
        const int to = *t;
        if (pos->kind[to] != NO_KIND) {
            t += ray_skip(t) + 1;
            continue;
        }
        ++t;
        const int d = direction_of[enemy_king][to];
        // A man that stays on the uncovered line still blocks it; only a
        // king can step along it, and a king step into an attack is never
        // legal.
        if (d == uncovered) continue;
        if (piece == KING) {
            if (opp[to].direct != 0) continue;
        } else if (piece == KNIGHT) {
            if (d != DIR_NONE && !is_line_direction(d)) continue;  // checks by itself
        } else if (is_line_direction(d) && is_transparent(LINE_CLASS[piece], d) &&
                   is_line_clear(to, pos, enemy_king)) {
            continue;  // checks by itself
        }
        list = push(list, encode_move(square, to, MK_QUIET), 0);
    }
    return list;
}
