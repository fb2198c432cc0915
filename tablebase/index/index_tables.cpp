#include "tablebase/index/index_tables.h"

#include "tablebase/index/square_tables.h"
#include "tablebase/registry.h"

uint8_t tb_square_numbering[TB_MAN_KINDS][64][64];
uint8_t tb_square_counts[TB_MAN_KINDS][64];

namespace {

// [form][t][u][v], kinds in non-increasing order, TB_MAN_KINDS for "no man".
constexpr int SLOTS = TB_MAN_KINDS + 1;
constexpr int NONE = TB_MAN_KINDS;
TbOffsetTable offset_tables[TB_KING_FORMS][SLOTS][SLOTS][SLOTS];
bool built = false;

bool excluded(int kind, int o, int x) {
    const int df = (x & 7) - (o & 7), dr = (x >> 3) - (o >> 3);
    const int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
    switch (kind) {
        case TB_KIND_PAWN: return false;
        case TB_KIND_ATTACKING_PAWN: return dr == -1 && adf == 1;  // one rank below o, one file beside
        case TB_KIND_KNIGHT: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
        case TB_KIND_BISHOP: return adf == 1 && adr == 1;
        case TB_KIND_ROOK: return adf + adr == 1;
        default: return adf <= 1 && adr <= 1;
    }
}

void build_square_map(int kind) {
    const bool pawn = kind <= TB_KIND_ATTACKING_PAWN;
    for (int o = 0; o < 64; ++o) {
        int n = 0;
        for (int x = 0; x < 64; ++x) {
            const bool numbered = x != o && (!pawn || (x >= 8 && x < 56)) && !excluded(kind, o, x);
            tb_square_numbering[kind][o][x] = numbered ? uint8_t(n++) : TB_NOT_NUMBERED;
        }
        tb_square_counts[kind][o] = uint8_t(n);
    }
}

// Squares a man of `kind` may take around o with the other king on k.
uint32_t free_squares(int kind, int o, int k) {
    return tb_square_counts[kind][o] - (tb_square_numbering[kind][o][k] != TB_NOT_NUMBERED ? 1u : 0u);
}

// Positions of a group with kinds t >= u >= v (NONE for absent men) for one
// king pair: like men are unordered, men of different kinds independent.
uint32_t group_count(const int kinds[3], int count, int o, int k) {
    uint32_t c = 1;
    for (int i = 0; i < count;) {
        int same = 1;
        while (i + same < count && kinds[i + same] == kinds[i]) ++same;
        const uint32_t a = free_squares(kinds[i], o, k);
        if (same == 1) c *= a;
        if (same == 2) c *= a * (a - 1) / 2;
        if (same == 3) c *= a * (a - 1) * (a - 2) / 6;
        i += same;
    }
    return c;
}

void count_positions(TbKingForm form, const int kinds[3], int count) {
    const TbKingPairTable& pairs = form == TB_FORM_PAWNS ? TB_KING_PAIRS_PAWNS : TB_KING_PAIRS_PAWNLESS;
    const int pair_count = form == TB_FORM_PAWNS ? TB_KING_PAIRS_PAWNS_COUNT : TB_KING_PAIRS_PAWNLESS_COUNT;
    auto* offsets = static_cast<uint32_t*>(tb_alloc(sizeof(uint32_t) * size_t(pair_count)));
    uint32_t total = 0;
    for (int k = 0; k < 64; ++k)
        for (int o = 0; o < 64; ++o) {
            const int kk = pairs[size_t(k)][size_t(o)];
            if (kk == TB_NO_KING_PAIR) continue;
            offsets[kk] = total;
            total += group_count(kinds, count, o, k);
        }
    TbOffsetTable& table = offset_tables[form][kinds[0]][count > 1 ? kinds[1] : NONE][count > 2 ? kinds[2] : NONE];
    table.offsets = offsets;
    table.total = total;
}

// Tables with pawns for every group; pawnless ones when no man is a pawn.
// Kind 0 only ever stands alone, in groups of its own kind.
void build_group(const int kinds[3], int count) {
    count_positions(TB_FORM_PAWNS, kinds, count);
    bool pawnless = true;
    for (int i = 0; i < count; ++i) pawnless = pawnless && kinds[i] >= TB_KIND_KNIGHT;
    if (pawnless) count_positions(TB_FORM_PAWNLESS, kinds, count);
}

}  // namespace

const TbOffsetTable* tb_offset_table(TbKingForm form, int count, const int* kinds) {
    if (count < 1 || count > 3) return nullptr;
    int sorted[3] = {NONE, NONE, NONE};
    for (int i = 0; i < count; ++i) {
        if (kinds[i] < 0 || kinds[i] >= TB_MAN_KINDS) return nullptr;
        sorted[i] = kinds[i];
    }
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if (sorted[j] > sorted[i]) {
                const int t = sorted[i];
                sorted[i] = sorted[j];
                sorted[j] = t;
            }
    const TbOffsetTable& table = offset_tables[form][sorted[0]][sorted[1]][sorted[2]];
    return table.offsets != nullptr ? &table : nullptr;
}

void init_tb_index_tables() {
    if (built) return;
    for (int kind = 0; kind < TB_MAN_KINDS; ++kind) build_square_map(kind);
    for (int t = 0; t < TB_MAN_KINDS; ++t) {
        const int one[3] = {t, NONE, NONE};
        build_group(one, 1);
        for (int u = t == TB_KIND_PAWN ? 0 : 1; u <= t; ++u) {
            const int two[3] = {t, u, NONE};
            build_group(two, 2);
            for (int v = u == TB_KIND_PAWN ? 0 : 1; v <= u; ++v) {
                const int three[3] = {t, u, v};
                build_group(three, 3);
            }
        }
    }
    built = true;
}
