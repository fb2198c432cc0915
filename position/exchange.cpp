// Builds the static exchange tables at compile time.
#include "position/exchange.h"

#include <array>

namespace {

// Class counts of one side on one square, folded for the exchange: royal =
// king + queens (x-ray attackers count as queens), minor = bishops + knights.
struct ClassCounts {
    int pawns, minors, rooks, royals;
    constexpr int total() const { return pawns + minors + rooks + royals; }
};

// A side rarely has more than five men on one square; beyond that only the
// least valuable five take part (the most valuable are the last to capture
// and almost never matter). With at most 2 pawns and 3 of every other class
// this leaves 96 codes, which fit the 7 bits of a code.
constexpr int MAX_COUNTED_MEN = 5;

constexpr ClassCounts fold(int field) {
    int king = field & 1;
    int queens = (field >> 1) & 7;
    int rooks = (field >> 4) & 3;
    int bishops = (field >> 6) & 3;
    int knights = (field >> 8) & 3;
    int pawns = (field >> 10) & 3;
    ClassCounts c{pawns > 2 ? 2 : pawns, bishops + knights, rooks, king + queens};
    if (c.minors > 3) c.minors = 3;
    if (c.royals > 3) c.royals = 3;
    int* drop_order[4] = {&c.royals, &c.rooks, &c.minors, &c.pawns};
    for (int* count : drop_order)
        while (c.total() > MAX_COUNTED_MEN && *count > 0) --*count;
    return c;
}

constexpr bool counted(const ClassCounts& c) {
    return c.pawns <= 2 && c.minors <= 3 && c.rooks <= 3 && c.royals <= 3 &&
           c.total() <= MAX_COUNTED_MEN;
}

// The codes number the counted combinations; code 0 is "nobody".
struct CodeBook {
    ClassCounts by_code[128];
    int code_count;
};

constexpr CodeBook build_code_book() {
    CodeBook book{};
    int n = 0;
    for (int p = 0; p <= 2; ++p)
        for (int m = 0; m <= 3; ++m)
            for (int r = 0; r <= 3; ++r)
                for (int q = 0; q <= 3; ++q) {
                    ClassCounts c{p, m, r, q};
                    if (counted(c)) book.by_code[n++] = c;
                }
    book.code_count = n;
    return book;
}

constexpr CodeBook CODE_BOOK = build_code_book();
static_assert(CODE_BOOK.code_count <= 128);

constexpr int code_of(const ClassCounts& c) {
    for (int code = 0; code < CODE_BOOK.code_count; ++code) {
        const ClassCounts& k = CODE_BOOK.by_code[code];
        if (k.pawns == c.pawns && k.minors == c.minors && k.rooks == c.rooks && k.royals == c.royals)
            return code;
    }
    return -1;
}

// The men of one side in the order they capture: least valuable first.
struct CaptureOrder {
    int values[MAX_COUNTED_MEN];
    int count;
};

constexpr CaptureOrder capture_order(const ClassCounts& c) {
    CaptureOrder order{};
    auto add = [&order](int n, int value) {
        for (int i = 0; i < n; ++i) order.values[order.count++] = value;
    };
    add(c.pawns, 128);
    add(c.minors, 416);
    add(c.rooks, 640);
    add(c.royals, 1248);
    return order;
}

// What the side to move gains by the swap-off on a square now holding a man
// worth `on_square`, using its men from index `next` on; it may stop at any
// point, so the gain is never negative. A king may only take when the other
// side has nobody left; as kings and queens share the royal class and capture
// last, a royal that takes while the other side can still recapture loses at
// least what it wins, so the rule needs no separate test.
constexpr int swap_gain(const CaptureOrder& side, int next, const CaptureOrder& other,
                        int other_next, int on_square) {
    if (next >= side.count) return 0;
    int gain = on_square - swap_gain(other, other_next, side, next + 1, side.values[next]);
    return gain > 0 ? gain : 0;
}

struct ExchangeTables {
    std::array<uint8_t, SWAP_CODE_COUNT> codes;
    std::array<uint8_t, SWAP_TABLE_SIZE> table;
};

constexpr ExchangeTables build_exchange_tables() {
    ExchangeTables t{};
    for (int field = 0; field < SWAP_CODE_COUNT; ++field) t.codes[field] = uint8_t(code_of(fold(field)));
    for (int defender = 0; defender < CODE_BOOK.code_count; ++defender) {
        for (int attacker = 0; attacker < CODE_BOOK.code_count; ++attacker) {
            CaptureOrder defenders = capture_order(CODE_BOOK.by_code[defender]);
            CaptureOrder attackers = capture_order(CODE_BOOK.by_code[attacker]);
            int entry = SWAP_NO_ATTACKER;
            if (attackers.count > 0) entry = swap_gain(defenders, 0, attackers, 1, attackers.values[0]) / 8;
            t.table[defender | attacker << 7] = uint8_t(entry);
        }
    }
    return t;
}

constexpr ExchangeTables EXCHANGE = build_exchange_tables();

}  // namespace

extern constinit const std::array<uint8_t, SWAP_CODE_COUNT> swap_codes = EXCHANGE.codes;
extern constinit const std::array<uint8_t, SWAP_TABLE_SIZE> swap_table = EXCHANGE.table;
