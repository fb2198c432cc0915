#include "naive_moves.h"

#include "config/settings.h"
#include "position/make.h"
#include "position/position.h"
#include "position/zobrist.h"

namespace {

bool on_board(int f, int r) { return f >= 0 && f < 8 && r >= 0 && r < 8; }

constexpr int KNIGHT_STEPS[8][2] = {{1, 2}, {2, 1}, {2, -1}, {1, -2}, {-1, -2}, {-2, -1}, {-2, 1}, {-1, 2}};

void add_pawn_move(std::vector<Move>& moves, int from, int to, int kind) {
    if (rank_of(to) == 0 || rank_of(to) == 7) {
        for (int promotion : {MK_PROMOTE_QUEEN, MK_PROMOTE_KNIGHT, MK_PROMOTE_ROOK, MK_PROMOTE_BISHOP})
            moves.push_back(encode_move(from, to, promotion));
    } else {
        moves.push_back(encode_move(from, to, kind));
    }
}

// Castling, with the king on `king` and the castling rook on `rook`: every
// square the two men cross or reach is empty (but for themselves) and the
// king's squares from start to destination are not attacked.
void add_castling(const Position* pos, std::vector<Move>& moves, int side, int king, int rook, bool chess960) {
    if (pos->kind[rook] != ROOK || pos->colour[rook] != side || pos->moved[rook] != 0) return;
    int back = side == WHITE ? 0 : 56;
    bool h_side = rook > king;
    int king_to = back + (h_side ? 6 : 2);
    int rook_to = back + (h_side ? 5 : 3);
    auto span_clear = [&](int a, int b) {
        for (int sq = a < b ? a : b; sq <= (a < b ? b : a); ++sq)
            if (sq != king && sq != rook && pos->colour[sq] != NO_COLOUR) return false;
        return true;
    };
    if (!span_clear(king, king_to) || !span_clear(rook, rook_to)) return;
    for (int sq = king < king_to ? king : king_to; sq <= (king < king_to ? king_to : king); ++sq)
        if (naive_square_attacked(pos, side ^ 1, sq)) return;
    moves.push_back(encode_move(king, chess960 ? rook : king_to, MK_CASTLING));
}

}  // namespace

bool naive_square_attacked(const Position* pos, int side, int square) {
    int f = file_of(square), r = rank_of(square);
    auto holds = [&](int tf, int tr, int kind) {
        if (!on_board(tf, tr)) return false;
        int t = square_at(tf, tr);
        return pos->colour[t] == side && pos->kind[t] == kind;
    };
    int pawn_rank = side == WHITE ? r - 1 : r + 1;
    if (holds(f - 1, pawn_rank, PAWN) || holds(f + 1, pawn_rank, PAWN)) return true;
    for (auto& s : KNIGHT_STEPS)
        if (holds(f + s[0], r + s[1], KNIGHT)) return true;
    for (int df = -1; df <= 1; ++df)
        for (int dr = -1; dr <= 1; ++dr) {
            if (!df && !dr) continue;
            if (holds(f + df, r + dr, KING)) return true;
            for (int tf = f + df, tr = r + dr; on_board(tf, tr); tf += df, tr += dr) {
                int t = square_at(tf, tr);
                if (pos->colour[t] == NO_COLOUR) continue;
                int kind = pos->kind[t];
                bool slider = kind == QUEEN || kind == ((df == 0 || dr == 0) ? ROOK : BISHOP);
                if (pos->colour[t] == side && slider) return true;
                break;
            }
        }
    return false;
}

std::vector<Move> naive_pseudo_legal_moves(const Position* pos) {
    std::vector<Move> moves;
    const int side = pos->side;
    const int other = side ^ 1;
    const bool chess960 = (search_flags & EF_CHESS960) != 0;
    for (int from = 0; from < 64; ++from) {
        if (pos->colour[from] != side) continue;
        int kind = pos->kind[from];
        int f = file_of(from), r = rank_of(from);
        auto target = [&](int tf, int tr) -> int {  // -1 off board or own man, else the square
            if (!on_board(tf, tr)) return -1;
            int t = square_at(tf, tr);
            return pos->colour[t] == side ? -1 : t;
        };
        auto add = [&](int t) {
            moves.push_back(encode_move(from, t, pos->colour[t] == other ? MK_CAPTURE : MK_QUIET));
        };
        switch (kind) {
        case PAWN: {
            int forward = side == WHITE ? 1 : -1;
            int one = square_at(f, r + forward);
            if (pos->colour[one] == NO_COLOUR) {
                add_pawn_move(moves, from, one, MK_QUIET);
                int start_rank = side == WHITE ? 1 : 6;
                int two = square_at(f, r + 2 * forward);
                if (r == start_rank && pos->colour[two] == NO_COLOUR) moves.push_back(encode_move(from, two, MK_QUIET));
            }
            for (int df = -1; df <= 1; df += 2) {
                if (!on_board(f + df, r + forward)) continue;
                int t = square_at(f + df, r + forward);
                if (pos->colour[t] == other) add_pawn_move(moves, from, t, MK_CAPTURE);
                else if (pos->ep_square != 0 && t == pos->ep_square) moves.push_back(encode_move(from, t, MK_EN_PASSANT));
            }
            break;
        }
        case KNIGHT:
            for (auto& s : KNIGHT_STEPS) {
                int t = target(f + s[0], r + s[1]);
                if (t >= 0) add(t);
            }
            break;
        case KING:
            for (int df = -1; df <= 1; ++df)
                for (int dr = -1; dr <= 1; ++dr) {
                    if (!df && !dr) continue;
                    int t = target(f + df, r + dr);
                    if (t >= 0) add(t);
                }
            if (pos->moved[from] == 0 && !naive_square_attacked(pos, other, from)) {
                if (chess960) {
                    for (int wing = CASTLE_A_SIDE; wing <= CASTLE_H_SIDE; ++wing)
                        add_castling(pos, moves, side, from, castle_rook_squares[wing][side], true);
                } else if (from == (side == WHITE ? E1 : E8)) {
                    add_castling(pos, moves, side, from, from - 4, false);
                    add_castling(pos, moves, side, from, from + 3, false);
                }
            }
            break;
        default:
            for (int df = -1; df <= 1; ++df)
                for (int dr = -1; dr <= 1; ++dr) {
                    if (!df && !dr) continue;
                    bool orthogonal = df == 0 || dr == 0;
                    if (kind == ROOK && !orthogonal) continue;
                    if (kind == BISHOP && orthogonal) continue;
                    for (int tf = f + df, tr = r + dr; on_board(tf, tr); tf += df, tr += dr) {
                        int t = square_at(tf, tr);
                        if (pos->colour[t] == side) break;
                        add(t);
                        if (pos->colour[t] == other) break;
                    }
                }
            break;
        }
    }
    return moves;
}

std::vector<Move> naive_legal_moves(Position* pos) {
    std::vector<Move> legal;
    const int mover = pos->side;
    for (Move move : naive_pseudo_legal_moves(pos)) {
        make_move(pos, move);
        if (!naive_square_attacked(pos, mover ^ 1, king_square(pos, mover))) legal.push_back(move);
        unmake_move(pos);
    }
    return legal;
}

bool play_random_legal_move(Position* pos, std::mt19937& random) {
    const std::vector<Move> legal = naive_legal_moves(pos);
    if (legal.empty()) return false;
    make_move(pos, legal[random() % legal.size()]);
    return true;
}
