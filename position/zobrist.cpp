// The fixed key tables, generated at compile time from a fixed seed, and the
// castling globals that set-up writes.
#include "position/zobrist.h"

namespace {

// splitmix64: a small, well-mixed generator; the seed fixes every key.
struct KeyGenerator {
    uint64_t state;
    constexpr uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
};

constexpr uint64_t KEY_SEED = 0x4D4F52564158ull;

struct KeyTables {
    std::array<uint64_t, ZOBRIST_KEY_COUNT> men;
    std::array<uint32_t, 64> castle_ep;
};

constexpr KeyTables build_keys() {
    KeyTables k{};
    KeyGenerator gen{KEY_SEED};
    for (auto& key : k.men) key = gen.next();
    for (auto& key : k.castle_ep) key = uint32_t(gen.next() >> 16);
    return k;
}

constexpr KeyTables KEYS = build_keys();

}  // namespace

extern constinit const std::array<uint64_t, ZOBRIST_KEY_COUNT> zobrist_keys = KEYS.men;
extern constinit const std::array<uint32_t, 64> CASTLE_EP_KEYS_DEFAULT = KEYS.castle_ep;
constinit std::array<uint32_t, 64> castle_ep_keys = KEYS.castle_ep;

constinit uint8_t castle_rook_squares[2][2] = {{A1, A8}, {H1, H8}};

extern constinit const uint8_t START_POSITION_KINDS[64] = {
    ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK,
    PAWN, PAWN,   PAWN,   PAWN,  PAWN, PAWN,   PAWN,   PAWN,
    0,    0,      0,      0,     0,    0,      0,      0,
    0,    0,      0,      0,     0,    0,      0,      0,
    0,    0,      0,      0,     0,    0,      0,      0,
    0,    0,      0,      0,     0,    0,      0,      0,
    PAWN, PAWN,   PAWN,   PAWN,  PAWN, PAWN,   PAWN,   PAWN,
    ROOK, KNIGHT, BISHOP, QUEEN, KING, BISHOP, KNIGHT, ROOK,
};

extern constinit const uint8_t START_POSITION_COLOURS[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0,
    2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2,
    2, 2, 2, 2, 2, 2, 2, 2,
    1, 1, 1, 1, 1, 1, 1, 1,
    1, 1, 1, 1, 1, 1, 1, 1,
};
