#include "book/book_probe.h"

#include "book/book.h"
#include "book/book_weight.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "platform/system.h"
#include "position/make.h"
#include "position/position.h"
#include "search/random.h"
#include "search/root.h"
#include "search/search_moves.h"
#include "search/strength.h"

namespace {

// Plies beyond the last book move after which the book is no longer asked.
constexpr int BOOK_REACH_PLIES = 8;
// Root scores set before the book is asked.
constexpr int BOOK_ROOT_SCORE = -256;

// The root move a 12-bit book move stands for: a promotion names the queen
// first. Nullptr when the move is not a root move.
RootMove* root_move_for(int move12) {
    RootMove* found = nullptr;
    for (int i = 0; i < root_move_count; ++i) {
        Move move = root_moves[i].line[1];
        if ((move & 0xFFF) != move12) continue;
        if (!is_promotion(move) || move_kind(move) == MK_PROMOTE_QUEEN) return &root_moves[i];
        if (!found) found = &root_moves[i];
    }
    return found;
}

}  // namespace

BookSeedSource book_seed_source = calendar_seconds;

Move choose_book_move(uint32_t options, int side) {
    for (int i = 0; i < multi_pv && i < root_move_count; ++i) root_moves[i].score = BOOK_ROOT_SCORE;

    const int mode = int((options & BO_BOOK_MODE) >> BO_BOOK_MODE_SHIFT);
    if (mode == 0 || !(options & BO_OWN_BOOK)) return NO_MOVE;
    if (last_book_ply >= 0 && game_ply > last_book_ply + BOOK_REACH_PLIES) return NO_MOVE;

    Position* pos = &main_position;
    const uint32_t key = book_key(pos->key_lo, side);
    long first = 0;
    if (!find_book_record(key, &first)) return NO_MOVE;
    const int run = book_run_length(key);

    seed_random(book_seed_source());
    if (game_ply > last_book_ply) last_book_ply = game_ply;

    const BookWeighing weighing{mode, (search_flags & EF_BOOK_LEARNING) != 0,
                                (search_flags & EF_LIMIT_STRENGTH) != 0, uci_elo};
    const int check_byte = book_check_byte(pos->key_hi);
    Move choice = NO_MOVE;
    int32_t best = 0;
    for (int i = 0; i < run; ++i) {
        const BookRecord record = book_buffer[i];
        if (record.check_byte() != check_byte) continue;
        RootMove* rm = root_move_for(record.move());
        if (!rm) continue;
        const Move move = rm->line[1] & MOVE_IDENTITY_MASK;
        make_move(pos, move);
        if (mover_king_attacked(pos) || count_repetitions(pos) > 0) {
            unmake_move(pos);
            continue;
        }
        if (current_ply_record(pos)->flags & PLY_IN_CHECK) rm->line[1] |= MOVE_GIVES_CHECK;
        const int32_t weight = book_move_weight(record, weighing);
        if (weight > best) {
            best = weight;
            choice = rm->line[1];
        }
        unmake_move(pos);
    }
    return multi_pv == 1 && best > 0 ? choice : NO_MOVE;
}
