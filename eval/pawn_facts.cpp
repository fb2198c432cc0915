#include "eval/pawn_facts.h"

#include "config/build_config.h"
#include "eval/eval_constants.h"
#include "eval/pawns.h"
#include "platform/memory.h"
#include "position/position.h"

namespace {

// One entry, one cache line: the pawn placement of both sides (files a..h,
// bit r = a pawn on rank r) and the facts that follow from it.
struct alignas(64) PawnCacheEntry {
    uint64_t files[2];
    PawnSideFacts side[2];
};
static_assert(sizeof(PawnCacheEntry) == 64);

// 4096 entries (256 KB) hold the pawn structures of a search many times
// over. An all-zero entry is the placement without pawns, whose facts are
// empty: a fresh table needs no marking.
constexpr int PAWN_CACHE_BITS = 12;
constexpr int PAWN_CACHE_ENTRIES = 1 << PAWN_CACHE_BITS;
// On large pages: every evaluation reads it at random.
LargePageStorage<PawnCacheEntry[MAX_THREADS][PAWN_CACHE_ENTRIES]> pawn_cache_storage;
constexpr auto& pawn_cache = pawn_cache_storage.value;
// Asked before the first search writes an entry.
[[maybe_unused]] const bool pawn_cache_on_large_pages = (request_large_pages(pawn_cache_storage), true);

// The bit of rank r in a pawn-file byte; no bit off the board.
inline uint32_t rank_bit(int r) { return r >= 0 && r < 8 ? 1u << r : 0u; }

// How many of `files`' pawns on the files beside f stand on rank r (0..2).
inline int pawns_beside(const uint8_t* files, int f, int r) {
    const uint32_t bit = rank_bit(r);
    return ((files[f - 1] & bit) != 0) + ((files[f + 1] & bit) != 0);
}

int weak_penalty(int us, int square) { return WEAK_PAWN_PENALTY[us == WHITE ? square : square ^ 56]; }

}  // namespace

// The facts of each pawn read from the pawn-file bytes alone. A pawn of
// side us on rank r is attacked by enemy pawns on rank r + dir and guarded by
// own pawns on rank r - dir (dir: +1 for White, -1 for Black) on the files
// beside it.
void analyse_pawns(const Position* pos, int us, PawnSideFacts* facts) {
    const int them = us ^ 1;
    const uint8_t* own = pawn_files(pos, us);
    const uint8_t* their = pawn_files(pos, them);
    const int dir = us == WHITE ? 1 : -1;
    const int step = 8 * dir;
    int fixed = 0;
    int index = 0;
    for (uint64_t pawns = pawn_file_word(pos, us); pawns; pawns &= pawns - 1) {
        const int bit = __builtin_ctzll(pawns);
        const int f = bit >> 3, rank = bit & 7;
        const int q = square_at(f, rank);
        const int front_rank = rank + dir;
        const uint32_t in_front = ranks_in_front(us, rank);
        const uint32_t adjacent = own[f - 1] | own[f + 1];
        const uint32_t enemy_adjacent = their[f - 1] | their[f + 1];

        const bool front_guarded = (adjacent & rank_bit(rank)) != 0;
        const bool enemy_in_front = (their[f] & rank_bit(front_rank)) != 0;
        const bool open_file = ((own[f] | their[f]) & in_front) == 0;
        const bool isolated = adjacent == 0;
        const bool supported = (adjacent & ranks_behind_or_level(us, rank)) != 0;
        const bool weak = !supported && (!front_guarded || open_file);
        const bool doubled = bit_count(own[f]) >= 2;
        uint32_t flags = 0;
        if (front_guarded) flags |= PAWN_FRONT_GUARDED;
        if (enemy_in_front) flags |= PAWN_ENEMY_IN_FRONT;
        if (open_file) flags |= PAWN_OPEN_FILE;
        if (enemy_adjacent & rank_bit(front_rank)) flags |= PAWN_ATTACKED;
        if (front_guarded || (adjacent & rank_bit(rank - dir))) flags |= PAWN_SHELTER_GUARD;
        if (((own[f] | their[f]) & rank_bit(front_rank)) && (enemy_adjacent & rank_bit(front_rank + dir)))
            flags |= PAWN_STORM_HALVED;

        bool backward = false;
        if (weak) {
            flags |= PAWN_WEAK;
            if (!front_guarded && !enemy_in_front) fixed -= weak_penalty(us, q);
            if (isolated) {
                flags |= PAWN_ISOLATED;
                fixed -= ISOLATED_PAWN_PENALTY[f];
            }
            // The nearest enemy pawn in front on the files beside it.
            const uint32_t ahead = enemy_adjacent & in_front;
            const int enemy_rank = ahead == 0 ? -1 : us == WHITE ? __builtin_ctz(ahead) : 31 - __builtin_clz(ahead);
            backward = !isolated && enemy_rank >= 0;
            if (backward) {
                flags |= PAWN_BACKWARD;
                if (!enemy_in_front) {
                    // The stop square: where that enemy pawn would attack
                    // the pawn while it is still far; else the square in
                    // front.
                    int t = q + step;
                    if (RELATIVE_RANK[us][enemy_rank] < 4) t = square_at(f, enemy_rank) - step;
                    const int t_rank = rank_of(t);
                    const int enemy_count = pawns_beside(their, f, t_rank + dir);
                    const int own_count = pawns_beside(own, f, t_rank - dir);
                    if (enemy_count > own_count) {
                        const int pen = weak_penalty(us, t - step) + BACKWARD_STOP_VALUE[RELATIVE_RANK[us][t_rank]];
                        fixed -= enemy_count - own_count >= 2 ? 2 * pen : pen;
                    }
                }
            }
        }
        if (doubled) {
            flags |= PAWN_DOUBLED;
            fixed -= weak ? 9 : 4;
        }

        const uint32_t enemy_adjacent_front = enemy_adjacent & in_front;
        // A weak passer (an isolated one above all) keeps its passed-pawn
        // term beside its weakness: an outside or isolated passer is often
        // the winning pawn of an ending, and scoring it as a mere weakness
        // lost about 100 Elo in self-play (51.5 of 80 games for the passer
        // term at 1 s + 20 ms). A backward pawn is never passed.
        if (open_file && !backward && enemy_adjacent_front == 0) {
            flags |= PAWN_PASSED;
        } else if (open_file && enemy_adjacent_front != 0) {
            // The own pawns level with it or behind on the adjacent files
            // are at least as many as the enemy pawns in front there.
            const int sentry_count = bit_count(their[f - 1] & in_front) +
                                     bit_count(their[f + 1] & in_front);
            const uint32_t behind = ranks_behind_or_level(us, rank);
            const int helpers = bit_count(own[f - 1] & behind) + bit_count(own[f + 1] & behind);
            if (helpers >= sentry_count) flags |= PAWN_CANDIDATE;
        }
        facts->flags[index++] = uint16_t(flags);
    }
    facts->fixed_value = int16_t(fixed);
}

namespace {

PawnCacheEntry& cache_entry(const Position* pos, uint64_t white, uint64_t black) {
    // Multiplicative hashing of both words; the top bits index the table.
    const uint64_t hash = white * 0x9E3779B97F4A7C15ull ^ black * 0xC2B2AE3D27D4EB4Full;
    return pawn_cache[pos->thread_index][hash >> (64 - PAWN_CACHE_BITS)];
}

}  // namespace

const void* pawn_facts_entry(const Position* pos) {
    return &cache_entry(pos, pawn_file_word(pos, WHITE), pawn_file_word(pos, BLACK));
}

const PawnSideFacts* pawn_facts(const Position* pos) {
    const uint64_t white = pawn_file_word(pos, WHITE);
    const uint64_t black = pawn_file_word(pos, BLACK);
    PawnCacheEntry& entry = cache_entry(pos, white, black);
    if (entry.files[WHITE] != white || entry.files[BLACK] != black) {
        analyse_pawns(pos, WHITE, &entry.side[WHITE]);
        analyse_pawns(pos, BLACK, &entry.side[BLACK]);
        entry.files[WHITE] = white;
        entry.files[BLACK] = black;
    }
    return entry.side;
}
