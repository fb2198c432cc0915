#include "search/strength.h"

#include <algorithm>
#include <cstdlib>

#include "config/build_config.h"
#include "search/random.h"
#include "config/settings.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/hash_memory.h"
#include "search/polling.h"
#include "search/strength_tables.h"

int uci_elo = 2150;
int uci_elo_min = 750;
int uci_elo_max = 2950;

namespace {

constexpr int MIN_UCI_ELO = 750;
constexpr int DEFAULT_UCI_ELO = 2290;  // the rating of 1024 nodes per second
constexpr int CALIBRATION_MS = 1000;
constexpr uint32_t MIN_STRENGTH_RATE = 40;
constexpr uint64_t TOP_RATE = uint64_t(1) << ELO_RATE_TOP_INDEX;

}  // namespace

int elo_from_rate(uint64_t rate) {
    // Rates beyond the table count as its top, and no rate as the slowest.
    rate = std::clamp<uint64_t>(rate, 1, TOP_RATE);
    int i = 1;
    while ((uint64_t(1) << i) < rate) ++i;
    uint64_t base = uint64_t(1) << (i - 1);
    int low = ELO_RATE_TABLE[i - 1];
    int rise = ELO_RATE_TABLE[i] - low;
    return low + int(uint64_t(rise) * (rate - base) / base);
}

uint32_t elo_to_strength_limit(int rating) {
    if (rating < 1400) return uint32_t(40 - (1400 - rating) / 25);
    rating = std::min<int>(rating, ELO_RATE_TABLE[ELO_RATE_TOP_INDEX]);
    int i = 1;
    while (ELO_RATE_TABLE[i] < rating) ++i;
    uint64_t base = uint64_t(1) << (i - 1);
    int low = ELO_RATE_TABLE[i - 1];
    uint64_t c = base + base * uint64_t(rating - low) / uint64_t(ELO_RATE_TABLE[i] - low);
    return uint32_t(std::max<uint64_t>(c, MIN_STRENGTH_RATE));
}

void calibrate_elo_range(uint64_t nodes, int threads) {
    node_rate_estimate = uint32_t(std::min<uint64_t>(nodes, UINT32_MAX));
    uint64_t rate = nodes;
    if (MULTI_THREADED) {
        int f = THREAD_SPEEDUP_TABLE[std::clamp(threads - 1, 0, 7)];
        rate = (nodes >> 4) * uint64_t(f);
    }
    uci_elo_min = MIN_UCI_ELO;
    uci_elo_max = std::max(elo_from_rate(rate), uci_elo_min);
    // The default must lie in the range, or the "UCI_Elo" spin is malformed.
    uci_elo = std::clamp(DEFAULT_UCI_ELO, uci_elo_min, uci_elo_max);
}

void calibrate_strength(int flag, int) {
    uint32_t mode_before = search_mode;
    think(WHITE, SEARCH_MODE_CALIBRATION, 1, CALIBRATION_MS, 0);
    search_mode = mode_before;
    if (flag) calibrate_elo_range(position_node_total(&main_position), threads_max);
    clear_hash(0);
}

void set_uci_elo(int rating) {
    if (rating < uci_elo_min || rating > uci_elo_max) return;
    uci_elo = rating;
    if (search_flags & EF_LIMIT_STRENGTH) node_rate_limit = int(elo_to_strength_limit(rating));
}

int enable_limit_strength() {
    engine_flags |= EF_LIMIT_STRENGTH;
    search_flags |= EF_LIMIT_STRENGTH;
    node_rate_limit = int(elo_to_strength_limit(uci_elo));
    return node_rate_limit;
}

bool strength_limited_below(int elo) { return (search_flags & EF_LIMIT_STRENGTH) && uci_elo < elo; }

int strength_root_margin(uint32_t mode) {
    if (mode == SEARCH_MODE_ADVICE) return 192;
    if (mode != SEARCH_MODE_NORMAL || !strength_limited_below(1501)) return 96;
    int steps = (1550 - uci_elo) / 50;
    return std::max(steps * steps * 8, 96);
}

int strength_ply_limit(int iteration) {
    int step = uci_elo < 1550 ? 1 : (uci_elo - 1450) / 50;
    int limit = iteration + step;
    if (iteration >= 1 && iteration <= 4 && step > EARLY_PLY_TABLE[iteration]) limit = EARLY_PLY_TABLE[iteration];
    return std::min(limit, DEFAULT_MAX_DEPTH);
}

bool strength_skips_book(int ply) {
    uint32_t x = next_random();
    return (x & 127u) * uint32_t(ply / 2) >= uint32_t(uci_elo - 622);
}

int strength_noisy_score(int score) {
    if (uci_elo >= 1600 || std::abs(score) >= 7800) return score;
    if (int(next_random() & 1023u) <= uci_elo - 650) return score;
    return score + int(next_random() & 15u) - 8;
}
