#include "game/game_history.h"

#include <algorithm>
#include <cstring>

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/make.h"
#include "position/position.h"
#include "position/setup.h"
#include "position/zobrist.h"

GameRecord game_records[GAME_RECORD_COUNT];
GameRecord* current_game_record = &game_records[1];
int game_ply = 1;
int game_ep_square = 0;
int ply_base = 0;
int clock_side = 0;
int engine_colour = 1;
int booked_ply = 1;
int game_is_chess960 = 0;
int last_book_ply = -1;
uint32_t book_exit_key_lo = 0;
uint32_t book_exit_key_hi = 0;
int game_ended = 0;
int compacted_plies = 0;
GameStartPosition compacted_start{};

namespace {

void refresh_game_state() {
    game_ply = main_position.ply;
    game_ep_square = main_position.ep_square;
}

bool side_attacks_king(const Position* pos, int attacker) {
    return pos->attacks[attacker][king_square(pos, attacker ^ 1)].direct != 0;
}

void make_game_move(Position* pos, Move move) {
    if ((move & MOVE_IDENTITY_MASK) == NULL_MOVE)
        make_null_move(pos);
    else
        make_move(pos, move & MOVE_IDENTITY_MASK);
}

}  // namespace

int setup_game(int side, uint32_t flags) {
    if (!setup_position(side, flags)) return 0;
    const Position* pos = &main_position;
    // Record 0 stands before the game; record 1 is its start, with the full
    // key (castling and en-passant parts included) and the check bit of the
    // base ply record.
    std::memset(&game_records[0], 0, 2 * sizeof(GameRecord));
    GameRecord& start = game_records[1];
    start.move = 1;
    start.saved_key_lo = pos->key_lo;
    start.saved_key_hi = pos->key_hi;
    start.ply_flags = uint16_t(current_ply_record(pos)->flags & PLY_IN_CHECK);
    current_game_record = &start;
    last_book_ply = -1;
    game_ended = 0;
    compacted_plies = 0;
    refresh_game_state();
    return 1;
}

GameStartPosition capture_game_position(int ply_number, int fifty) {
    const Position* pos = &main_position;
    GameStartPosition start{};
    std::memcpy(start.kind, pos->kind, sizeof(start.kind));
    std::memcpy(start.colour, pos->colour, sizeof(start.colour));
    start.side = pos->side;
    start.chess960 = (engine_flags & EF_CHESS960) != 0;
    start.ep_square = pos->ep_square;
    start.fifty = fifty;
    start.ply_number = ply_number;
    for (int side = WHITE; side <= BLACK; ++side) {
        const int king = king_square(pos, side);
        // Standard castling moves the king from its start square only.
        const bool king_may_castle = pos->moved[king] == 0 && (start.chess960 || king == (side == WHITE ? E1 : E8));
        for (int wing = CASTLE_A_SIDE; wing <= CASTLE_H_SIDE; ++wing) {
            const int rook = castle_rook_squares[wing][side];
            const bool right = king_may_castle && pos->kind[rook] == ROOK && pos->colour[rook] == side &&
                               pos->moved[rook] == 0;
            start.castling_rooks[side][wing] = right ? rook : -1;
        }
    }
    return start;
}

int play_game_move(Move move, int side) {
    Position* pos = &main_position;
    reset_ply_stack(pos);
    if (move == NO_MOVE) {
        if (current_game_record + 1 >= game_records + GAME_RECORD_COUNT) return 0;
        ++current_game_record;
        make_game_move(pos, current_game_record->move);
    } else {
        int flags = san_disambiguation_flags(move);
        make_game_move(pos, move);
        const PlyRecord* ply = current_ply_record(pos);
        GameRecord* record = current_game_record + 1;
        record->move = ply->move;
        record->move_extra = ply->captured_slots;
        record->captured = ply->captured;
        record->mover = ply->mover;
        record->saved_moved = ply->saved_moved;
        record->saved_ep = ply->saved_ep;
        record->saved_fifty = ply->saved_fifty;
        record->saved_key_lo = ply->saved_key_lo;
        record->saved_key_hi = ply->saved_key_hi;
        record->ply_flags = uint16_t(ply->flags);
        // The search data and the clock of a replayed move stay as booked.
        record->san_depth = uint16_t((record->san_depth & 0xFC00) | flags);
        current_game_record = record;
    }
    int mover = side;
    if (side_attacks_king(pos, mover)) current_game_record->move |= MOVE_GIVES_CHECK;
    if (side_attacks_king(pos, mover ^ 1)) {
        take_back_game_move();
        return 0;
    }
    if (pos->ply >= GAME_COMPACT_PLY) compact_game_history();
    refresh_game_state();
    game_ended = 0;
    return 1;
}

void take_back_game_move() {
    Position* pos = &main_position;
    if (current_game_record <= game_records + 1) return;  // nothing played since the set-up
    load_base_ply_record();
    const GameRecord& record = *current_game_record;
    if ((record.move & MOVE_IDENTITY_MASK) == NULL_MOVE)
        unmake_null_move(pos);
    else
        take_back_move(pos);
    --current_game_record;
    refresh_game_state();
}

void compact_game_history() {
    Position* pos = &main_position;
    int reversible = pos->fifty;
    int ply = pos->ply;
    if (reversible < 0) {
        compacted_plies += ply - 1;
        compacted_start = capture_game_position(ply_base + compacted_plies, 0);
        pos->ply = 1;
        current_game_record = &game_records[1];
        return;
    }
    // The copy must start at record 2 or later and leave room to play on:
    // keep at most the records that exist, and at most 495 of them.
    reversible = std::min({reversible, ply - 2, GAME_RECORD_COUNT - 5});
    const int first_kept = ply - reversible;
    // The game now starts before the first record kept: walk back to that
    // position to keep it (board, rights, clocks), then forward again. The
    // records themselves are left as they are.
    while (current_game_record >= game_records + first_kept) take_back_game_move();
    compacted_plies += first_kept - 2;
    compacted_start = capture_game_position(ply_base + compacted_plies, pos->fifty);
    GameRecord& start = game_records[1];
    start.saved_key_lo = pos->key_lo;
    start.saved_key_hi = pos->key_hi;
    start.ply_flags = side_attacks_king(pos, pos->side ^ 1) ? uint16_t(PLY_IN_CHECK) : 0;
    while (current_game_record < game_records + ply) {
        reset_ply_stack(pos);
        ++current_game_record;
        make_game_move(pos, current_game_record->move);
    }
    std::memmove(&game_records[2], &game_records[first_kept], sizeof(GameRecord) * size_t(reversible + 1));
    pos->ply = reversible + 2;
    current_game_record = &game_records[reversible + 2];
}

int san_disambiguation_flags(Move move) {
    const Position* pos = &main_position;
    int from = move_from(move);
    int to = move_to(move);
    int kind = pos->kind[from];
    if (kind <= PAWN) return kind;
    int side = pos->colour[from];
    uint32_t word = pos->attacks[side][to].direct;
    static constexpr uint32_t CLASS_MASKS[7] = {0, 0, KNIGHT_CLASS_MASK, 0xC00000, 0x300000, 0xE0000, KING_CLASS_BIT};
    if ((word & CLASS_MASKS[kind]) == CLASS_UNITS[kind]) return kind;
    const uint32_t* kind_slots[7] = {nullptr, nullptr, pos->knight_slots, pos->bishop_slots,
                                     pos->rook_slots, pos->queen_slots, nullptr};
    if (!kind_slots[kind]) return kind;
    uint32_t others = kind_slots[kind][side] & pos->slots[side] & word & ~pos->slot_bit[from] & ATTACK_SLOT_MASK;
    int flags = kind;
    while (others) {
        int slot = highest_slot(others);
        others &= ~(1u << slot);
        int square = pos->piece_list[side][slot];
        if (file_of(square) != file_of(from))
            flags |= 0x08;
        else if (rank_of(square) != rank_of(from))
            flags |= 0x10;
    }
    return flags;
}

void load_base_ply_record() {
    Position* pos = &main_position;
    reset_ply_stack(pos);
    PlyRecord* ply = current_ply_record(pos);
    const GameRecord& record = *current_game_record;
    *ply = PlyRecord{};
    ply->move = record.move;
    ply->captured_slots = record.move_extra;
    ply->captured = record.captured;
    ply->mover = record.mover;
    ply->saved_moved = record.saved_moved;
    ply->saved_ep = record.saved_ep;
    ply->saved_fifty = record.saved_fifty;
    ply->saved_key_lo = record.saved_key_lo;
    ply->saved_key_hi = record.saved_key_hi;
    ply->flags = record.ply_flags;
}

int game_side_to_move() { return main_position.side; }
