// King and pawn against king, solved by retrograde analysis.
//
// Positions are normalised so that the pawn is White's and stands on files
// a-d (colours and files are mirrored when needed); the index is
//   side to move (0 pawn side, 1 defender) x white king x black king x pawn,
// with the pawn on files a-d and ranks 2-7: 2 x 64 x 64 x 24 = 196,608
// positions, one bit each (24 KB). Only wins are stored: a position that the
// pawn side cannot force to a promotion with a safe new queen (or rook) is a
// draw.
//
// The analysis works on a temporary byte per position:
//  - positions that cannot arise (two men on a square, kings in contact, the
//    side not to move in check) and immediate draws (the defender can take
//    the undefended pawn, stalemate) are fixed as draws;
//  - a promotion is a win when the new piece cannot be taken at once and the
//    defender is not stalemated by it (a rook promotion is tried when the
//    queen stalemates); king and queen or rook against king is won from any
//    such position;
//  - then, until nothing changes, a pawn-side-to-move position is won when
//    some move reaches a won position, a defender-to-move position when every
//    legal move does (a checkmate counts as won).
// Whatever is still open at the end is a draw.
#include "eval/kpk.h"

#include <cstdint>
#include <vector>

#include "eval/eval_constants.h"
#include "eval/evaluate.h"
#include "position/geometry.h"
#include "position/types.h"

namespace {

constexpr int PAWN_SQUARES = 24;                     // files a-d, ranks 2-7
constexpr int STM_STRIDE = 64 * 64 * PAWN_SQUARES;   // positions per side to move
constexpr int KPK_POSITIONS = 2 * STM_STRIDE;

uint64_t kpk_bits[KPK_POSITIONS / 64];
bool kpk_ready = false;

enum : uint8_t { KPK_OPEN = 0, KPK_WIN = 1, KPK_DRAW = 2 };

constexpr int pawn_square_index(int pawn) { return file_of(pawn) * 6 + rank_of(pawn) - 1; }

constexpr int kpk_index(int defender_to_move, int strong_king, int weak_king, int pawn) {
    return defender_to_move * STM_STRIDE + (strong_king * 64 + weak_king) * PAWN_SQUARES +
           pawn_square_index(pawn);
}

bool touching(int a, int b) { return king_distance[a][b] <= 1; }

// Squares a White pawn on `pawn` attacks.
bool pawn_attacks(int pawn, int square) {
    if (rank_of(square) != rank_of(pawn) + 1) return false;
    int df = file_of(square) - file_of(pawn);
    return df == 1 || df == -1;
}

// Whether a queen (diagonals too) or rook on `piece` attacks `target`, the
// White king on `blocker` being the only other man that can stand between
// (the Black king is treated as absent: a king may not step back along the
// line of a check).
bool line_attacks(int piece, int target, int blocker, bool diagonals) {
    if (piece == target) return false;
    int d = direction_of[target][piece];
    if (d >= 8 || (!diagonals && d >= 4)) return false;
    for (int s = next_square[d][piece]; s != NO_SQUARE; s = next_square[d][s]) {
        if (s == target) return true;
        if (s == blocker) return false;
    }
    return false;
}

// After White promotes on `q` (queen or rook), Black to move: whether the
// position is won, i.e. the new piece cannot be taken and Black is not
// stalemated.
bool promotion_wins(int wk, int bk, int q, bool queen) {
    if (touching(bk, q) && !touching(wk, q)) return false;
    bool in_check = line_attacks(q, bk, wk, queen);
    if (in_check) return true;  // a check is never stalemate; mate or not, the piece stays
    const uint8_t* list = ray_list(KING, bk);
    for (; *list != NO_SQUARE; ++list) {
        int n = *list;
        if (touching(wk, n)) continue;
        if (n == q) continue;  // defended (tested above)
        if (line_attacks(q, n, wk, queen)) continue;
        return true;  // Black has a move
    }
    return false;  // stalemate
}

bool position_possible(int defender_to_move, int wk, int bk, int p) {
    if (wk == bk || wk == p || bk == p || touching(wk, bk)) return false;
    // With the pawn side to move, the defender's king must not be in check.
    if (!defender_to_move && pawn_attacks(p, bk)) return false;
    return true;
}

// The first classification: fixed draws, impossible positions, wins by
// promotion and checkmates; KPK_OPEN for the rest.
uint8_t initial_state(int defender_to_move, int wk, int bk, int p) {
    if (!position_possible(defender_to_move, wk, bk, p)) return KPK_DRAW;
    if (!defender_to_move) {
        int q = p + 8;
        if (rank_of(p) == 6 && q != wk && q != bk &&
            (promotion_wins(wk, bk, q, true) || promotion_wins(wk, bk, q, false)))
            return KPK_WIN;
        return KPK_OPEN;
    }
    if (touching(bk, p) && !touching(wk, p)) return KPK_DRAW;  // takes the pawn
    const uint8_t* list = ray_list(KING, bk);
    for (; *list != NO_SQUARE; ++list) {
        int n = *list;
        if (n != p && !touching(wk, n) && !pawn_attacks(p, n)) return KPK_OPEN;
    }
    return pawn_attacks(p, bk) ? KPK_WIN : KPK_DRAW;  // mated or stalemated
}

// One step of the analysis for an open position.
uint8_t step_state(const std::vector<uint8_t>& state, int defender_to_move, int wk, int bk, int p) {
    if (!defender_to_move) {
        for (const uint8_t* list = ray_list(KING, wk); *list != NO_SQUARE; ++list) {
            int n = *list;
            if (n == p || touching(n, bk)) continue;
            if (state[kpk_index(1, n, bk, p)] == KPK_WIN) return KPK_WIN;
        }
        int push = p + 8;
        if (rank_of(p) < 6 && push != wk && push != bk) {
            if (state[kpk_index(1, wk, bk, push)] == KPK_WIN) return KPK_WIN;
            int double_push = p + 16;
            if (rank_of(p) == 1 && double_push != wk && double_push != bk &&
                state[kpk_index(1, wk, bk, double_push)] == KPK_WIN)
                return KPK_WIN;
        }
        return KPK_OPEN;
    }
    for (const uint8_t* list = ray_list(KING, bk); *list != NO_SQUARE; ++list) {
        int n = *list;
        if (n == p || touching(wk, n) || pawn_attacks(p, n)) continue;
        if (state[kpk_index(0, wk, n, p)] != KPK_WIN) return KPK_OPEN;
    }
    return KPK_WIN;  // every legal move loses (there is one: not a fixed position)
}

// Calls visit(stm, wk, bk, p) for every index: pawns on files a-d, ranks 2-7.
template <typename Visit>
void for_each_kpk_position(Visit visit) {
    for (int stm = 0; stm < 2; ++stm)
        for (int wk = 0; wk < 64; ++wk)
            for (int bk = 0; bk < 64; ++bk)
                for (int f = 0; f < 4; ++f)
                    for (int r = 1; r < 7; ++r) visit(stm, wk, bk, square_at(f, r));
}

}  // namespace

void init_kpk_bitbase() {
    if (kpk_ready) return;
    std::vector<uint8_t> state(KPK_POSITIONS, KPK_OPEN);
    for_each_kpk_position([&](int stm, int wk, int bk, int p) {
        state[kpk_index(stm, wk, bk, p)] = initial_state(stm, wk, bk, p);
    });
    for (bool changed = true; changed;) {
        changed = false;
        for_each_kpk_position([&](int stm, int wk, int bk, int p) {
            uint8_t& s = state[kpk_index(stm, wk, bk, p)];
            if (s == KPK_OPEN && step_state(state, stm, wk, bk, p) == KPK_WIN) {
                s = KPK_WIN;
                changed = true;
            }
        });
    }
    for (int i = 0; i < KPK_POSITIONS; ++i)
        if (state[i] == KPK_WIN) kpk_bits[i >> 6] |= uint64_t(1) << (i & 63);
    kpk_ready = true;
}

bool kpk_bitbase_ready() { return kpk_ready; }

int kpk_probe(int pawn_side, int pawn_side_to_move, int strong_king, int pawn, int weak_king) {
    if (pawn_side == BLACK) {
        strong_king ^= 56;
        pawn ^= 56;
        weak_king ^= 56;
    }
    if (file_of(pawn) > 3) {
        strong_king ^= 7;
        pawn ^= 7;
        weak_king ^= 7;
    }
    if (rank_of(pawn) < 1 || rank_of(pawn) > 6) return 0;
    int i = kpk_index(pawn_side_to_move ? 0 : 1, strong_king, weak_king, pawn);
    return int((kpk_bits[i >> 6] >> (i & 63)) & 1);
}

namespace {

constexpr int KPK_WIN_BASE = 768;
constexpr int KPK_WIN_PER_RANK = 64;
constexpr int KPK_WIN_KING_DISTANCE = 6;

}  // namespace

int kpk_knowledge(int pawn_side, int pawn_side_to_move, int strong_king, int pawn, int weak_king, int* kind) {
    if (!kpk_probe(pawn_side, pawn_side_to_move, strong_king, pawn, weak_king)) {
        *kind = int(KIND_DRAWN);
        return 0;
    }
    *kind = int(KIND_WON);
    const int front = pawn + (pawn_side == WHITE ? 8 : -8);
    return KPK_WIN_BASE + KPK_WIN_PER_RANK * RELATIVE_RANK[pawn_side][rank_of(pawn)] -
           KPK_WIN_KING_DISTANCE * king_distance[strong_king][front];
}
