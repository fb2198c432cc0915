// perft "<FEN>" <depth>: the leaf count below the position, divided by root
// move, for checking the move generators and measuring their speed. The
// position is read by the engine's own FEN parser.
#include <cstdio>
#include <cstdlib>

#include "perft.h"
#include "position/position.h"
#include "uci/fen.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: perft \"<FEN>\" <depth>\n");
        return 2;
    }
    char* end = nullptr;
    const long depth = std::strtol(argv[2], &end, 10);
    if (*end != '\0' || depth < 1 || depth > MAX_PLY - 2) {
        std::fprintf(stderr, "perft: depth must be 1..%d\n", MAX_PLY - 2);
        return 2;
    }
    const char* reason = nullptr;
    if (parse_fen(argv[1], &reason) != 1) {
        std::fprintf(stderr, "perft: %s: %s\n", reason != nullptr ? reason : "refused", argv[1]);
        return 1;
    }

    uint64_t total = 0;
    for (const PerftDivideEntry& entry : perft_divide(&main_position, int(depth))) {
        std::printf("%s: %llu\n", move_text(entry.move).c_str(), (unsigned long long)entry.nodes);
        total += entry.nodes;
    }
    std::printf("Nodes searched: %llu\n", (unsigned long long)total);
    return 0;
}
