#include "uci/new_game.h"

#include "config/settings.h"
#include "eval/eval_tables.h"
#include "game/game_history.h"
#include "position/setup.h"
#include "search/time_control.h"
#include "uci/fen.h"

void start_new_game() {
    game_is_chess960 = 0;
    ply_base = 0;
    clock_side = 0;
    engine_colour = 1;
    game_ply = 1;
    booked_ply = 1;
    last_book_ply = -1;
    fen_tag_text.clear();
    setup_game((engine_flags & EF_CHESS960) ? 3 : SETUP_START_POSITION, SETUP_ALL_CASTLING);
    clear_development();
    time_control[0] = TimeControlPeriod{0, 0, 0, PERIOD_UNUSED};
    reset_clocks();
    soft_limit_ms = 0;
    if (engine_flags & EF_CHESS960) game_is_chess960 = 1;
}
