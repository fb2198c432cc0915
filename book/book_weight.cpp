#include "book/book_weight.h"

#include "search/random.h"

namespace {

// Below this rating the strength limit weighs every book move alike by
// class, with a bonus that grows as the rating falls.
constexpr int LIMITED_BOOK_ELO = 2500;

int32_t tournament_weight(const BookRecord& record, bool learning) {
    const int c = record.play_class();
    const int w = learning ? record.weight() >> 2 : c;
    const int a = learning ? record.weight() : 4 * c;
    if (w <= 2) return 0;
    const int32_t b = int32_t(1) << w;
    int32_t t = ((((a & 3) * b) & ~3) + 4 * b) * 256;
    if (learning) {
        if (record.won()) t *= 2;
        t >>= 2 * record.counter();
    }
    return t * int32_t((next_random() & 63) + 1);
}

}  // namespace

int32_t book_move_weight(const BookRecord& record, const BookWeighing& weighing) {
    const int c = record.play_class();
    if (weighing.limit_strength && weighing.elo < LIMITED_BOOK_ELO)
        return (4 * c + (2550 - weighing.elo) / 50) * int32_t(next_random() & 0xFF);
    switch (weighing.mode) {
        case BOOK_MODE_TOURNAMENT:
            return tournament_weight(record, weighing.learning);
        case BOOK_MODE_DYNAMIC:
            if (c <= 1) return 0;
            return 4 * c * int32_t((next_random() & 63) + 1);
        case BOOK_MODE_SURPRISE: {
            if (c == 0) return 0;
            const int32_t t = c == 1 ? 26 : c == 2 ? 28 : 4 * c;
            return t * int32_t((next_random() & 255) + 1);
        }
        case BOOK_MODE_WILD: {
            const uint32_t r1 = next_random();
            const uint32_t r2 = next_random();
            return (4 * c + int32_t(r1 & 15)) * int32_t((r2 & 127) + 1);
        }
        default:
            return 0;
    }
}
