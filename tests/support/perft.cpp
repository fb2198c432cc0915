#include "perft.h"

#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"

namespace {

inline bool side_in_check(const Position* pos) {
    return opp_attacks(pos)[king_square(pos, pos->side)].direct != 0;
}

// The root of a list in this position: the generator the engine uses there.
int generate(Position* pos, int ply) {
    MoveEntry* list = move_list_start(pos, ply);
    if (side_in_check(pos)) return gen_evasions(pos, nullptr, ply, 0, list);
    return gen_moves(pos, ply, 0, list);
}

// After make_move: the side that moved left its king unattacked.
inline bool mover_king_safe(const Position* pos) {
    return own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct == 0;
}

}  // namespace

uint64_t perft(Position* pos, int ply, int depth) {
    if (depth == 0) return 1;
    const int count = generate(pos, ply);
    const MoveEntry* list = move_list_start(pos, ply);
    uint64_t nodes = 0;
    for (int i = 0; i < count; ++i) {
        make_move(pos, list[i].move & MOVE_IDENTITY_MASK);
        if (mover_king_safe(pos)) nodes += depth == 1 ? 1 : perft(pos, ply + 1, depth - 1);
        unmake_move(pos);
    }
    return nodes;
}

std::vector<PerftDivideEntry> perft_divide(Position* pos, int depth) {
    std::vector<PerftDivideEntry> divide;
    const int count = generate(pos, PERFT_ROOT_PLY);
    const MoveEntry* list = move_list_start(pos, PERFT_ROOT_PLY);
    for (int i = 0; i < count; ++i) {
        const Move move = list[i].move & MOVE_IDENTITY_MASK;
        make_move(pos, move);
        if (mover_king_safe(pos)) divide.push_back({move, perft(pos, PERFT_ROOT_PLY + 1, depth - 1)});
        unmake_move(pos);
    }
    return divide;
}

std::string move_text(Move move) {
    std::string text;
    for (int square : {move_from(move), move_to(move)}) {
        text += char('a' + file_of(square));
        text += char('1' + rank_of(square));
    }
    if (is_promotion(move)) text += PIECE_LETTERS[PROMOTION_KIND_MAP[move_kind(move)] + 6];
    return text;
}

std::string divide_text(const std::vector<PerftDivideEntry>& divide) {
    std::string text;
    for (const PerftDivideEntry& entry : divide)
        text += move_text(entry.move) + ": " + std::to_string(entry.nodes) + "\n";
    return text;
}
