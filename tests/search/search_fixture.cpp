#include "search_fixture.h"

#include <algorithm>
#include <cstring>
#include <sstream>

#include "config/settings.h"
#include "eval/evaluate.h"
#include "eval/eval_tables.h"
#include "eval/material.h"
#include "eval/root_state.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "naive_moves.h"
#include "position/make.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/hash_memory.h"
#include "search/polling.h"
#include "search/search_constants.h"
#include "search/search.h"
#include "search/search_info.h"
#include "search/threads.h"
#include "test_board.h"
#include "uci/command_loop.h"
#include "uci/dispatch.h"
#include "uci/options.h"

void prepare_search_engine(int hash_kb) {
    init_square_tables();
    if (hash_size_kb != hash_kb) set_hash_size(hash_kb);
    clear_hash(1);
    engine_flags = ENGINE_FLAGS_DEFAULT;
    search_flags = ENGINE_FLAGS_DEFAULT;
    multi_pv = 1;
    search_switches = 0;
    history_threshold = 256;
    draw_score[0] = draw_score[1] = 0;
    input_mode = 0;
    output_state = 0;
    searchmoves_count = 0;
    search_ply_limit = MAX_PLY;
    main_position.positional_max[0] = main_position.positional_max[1] = 0;
    main_position.positional_min[0] = main_position.positional_min[1] = 0;
}

Move position_move(const char* text) { return parse_test_move(&main_position, text); }

bool set_search_position(const char* fen, const char* moves) {
    if (!load_test_board(fen)) return false;
    std::istringstream words(moves);
    std::string word;
    while (words >> word) {
        Move move = position_move(word.c_str());
        if (move == NO_MOVE || !play_game_move(move, main_position.side)) return false;
    }
    return true;
}

FixedDepthResult search_fixed_depth(int depth) {
    Position* pos = &main_position;
    FixedDepthResult result;
    // Analysis mode: no deadline, nothing printed.
    search_mode = SEARCH_MODE_INFINITE;
    stop_reason = 0;
    thread_slots[0].stop.store(0);
    output_state = 0;
    poll_countdown = 1 << 30;
    root_game_ply = game_ply;
    load_base_ply_record();

    iteration_depth = 0;
    prepare_root(pos->side);
    reset_material_term(pos);
    eval_material(pos, 1);
    prepare_evaluation(pos);
    root_alpha = -MATE_SCORE_BOUND;
    root_beta = MATE_SCORE_BOUND;
    prepare_root_moves(pos);
    if (search_state_flags & SEARCH_ROOT_DECIDED) {
        result.decided = true;
        result.score = result.root_score = root_moves[0].score;
        search_mode = SEARCH_MODE_IDLE;
        return result;
    }
    for (int d = 1; d <= depth; ++d) {
        iteration_depth = d;
        root_search_state = ROOT_ITERATING;
        root_instability = 0;
        const int score = search_root(pos, d);
        if (stop_reason != 0) break;
        result.score = score;
        // As the driver orders them between iterations.
        if (d > 1)
            sort_root_moves_by_score();
        else
            sort_root_moves_by_nodes();
        set_next_window(score);
        std::vector<Move> line;
        for (int i = 1; i < ROOT_LINE_SIZE && root_moves[0].line[i]; ++i) line.push_back(root_moves[0].line[i]);
        result.lines.push_back(line);
    }
    iteration_depth = 0;
    result.best = root_moves[0].line[1] & MOVE_IDENTITY_MASK;
    result.root_score = root_moves[0].score;
    for (int i = 1; i < ROOT_LINE_SIZE && root_moves[0].line[i]; ++i) result.line.push_back(root_moves[0].line[i] & MOVE_IDENTITY_MASK);
    result.nodes = pos->nodes;
    search_mode = SEARCH_MODE_IDLE;
    return result;
}


bool king_in_check(const Position* pos, int side) {
    return naive_square_attacked(pos, side ^ 1, king_square(pos, side));
}

std::vector<Move> legal_search_moves(Position* pos) {
    std::vector<Move> legal;
    for (Move move : naive_pseudo_legal_moves(pos)) {
        make_move(pos, move);
        if (!king_in_check(pos, pos->side ^ 1)) legal.push_back(move);
        unmake_move(pos);
    }
    return legal;
}

bool set_random_search_position(std::mt19937& random, int plies) {
    if (!set_search_position("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1")) return false;
    for (int i = 0; i < plies; ++i) {
        std::vector<Move> moves = legal_search_moves(&main_position);
        if (moves.empty()) return false;
        Move move = moves[random() % moves.size()];
        if (!play_game_move(move, main_position.side)) return false;
    }
    return !legal_search_moves(&main_position).empty();
}

int plain_minimax(Position* pos, int ply, int depth) {
    if (depth <= 0) return horizon_value(pos, ply);
    const PlyRecord* rec = current_ply_record(pos);
    const int side = pos->side;
    std::vector<Move> moves = legal_search_moves(pos);
    if ((rec->flags & PLY_IN_CHECK) && moves.empty()) return mated_score(ply);
    if (pos->fifty > 99) return draw_score[side];
    const int eval = evaluate(pos, ply, depth, -SCORE_INFINITE, SCORE_INFINITE);
    if (current_ply_record(pos)->flags & PLY_TERMINAL_MASK) return eval;
    if (moves.empty()) return draw_score[side];
    int best = -SCORE_INFINITE;
    for (Move move : moves) {
        make_move(pos, move);
        const int score =
            (pos->fifty >= 4 && is_repetition(pos)) ? draw_score[side] : -plain_minimax(pos, ply + 1, depth - 1);
        unmake_move(pos);
        best = std::max(best, score);
    }
    return best;
}
