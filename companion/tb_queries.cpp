#include "companion/tb_queries.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "companion/move_text_bare.h"
#include "eval/tablebase_probe.h"
#include "game/repetition.h"
#include "position/make.h"
#include "position/movegen.h"
#include "position/position.h"
#include "search/output.h"
#include "search/root.h"
#include "search/search_moves.h"

namespace {

constexpr const char* SIDE_LABELS[2] = {"WTM", "BTM"};
constexpr const char* UNKNOWN_POSITION = "Unknown - cannot find position in database\n";

constexpr int SCORE_ILLEGAL = -9999;
constexpr int SCORE_UNKNOWN = -9000;
constexpr int SCORE_MATE = 8191;
// The line stops at this many plies.
constexpr int LAST_LINE_PLY = 62;

std::string format(const char* pattern, const char* text, int number = 0) {
    char line[64];
    std::snprintf(line, sizeof line, pattern, text, number);
    return line;
}

int men_on_board(const Position* pos) {
    return int((pos->material_counts[0] >> 8) & 0xFF) + int((pos->material_counts[1] >> 8) & 0xFF) + 2;
}

bool side_to_move_in_check(const Position* pos) { return opp_attacks(pos)[king_square(pos, pos->side)].direct != 0; }
// The king of the side not to move stands attacked: no legal position.
bool other_king_attacked(const Position* pos) { return own_attacks(pos)[king_square(pos, pos->side ^ 1)].direct != 0; }

bool probe(Position* pos, int* result) {
    if (!tablebase_probe || tb_max_pieces == 0) return false;
    return tablebase_probe(pos, result) != 0;
}

// The legal-or-not moves of the side to move at `ply`, copied out of the
// position's list (the deeper plies reuse the buffer behind it).
std::vector<MoveEntry> generate(Position* pos, int ply) {
    MoveEntry* list = move_list_start(pos, ply);
    const int count = side_to_move_in_check(pos) ? gen_evasions(pos, nullptr, ply, 0, list) : gen_moves(pos, ply, 0, list);
    return std::vector<MoveEntry>(list, list + count);
}

// The score of one move made at `ply`. `line_ply` is 0 for the per-move
// answers, else the ply of the best line (repetitions draw, distances count).
int score_move(Position* pos, MoveEntry* entry, int ply, int line_ply) {
    make_move(pos, entry->move & MOVE_IDENTITY_MASK);
    int score;
    if (mover_king_attacked(pos)) {
        score = SCORE_ILLEGAL;
    } else {
        const bool check = side_to_move_in_check(pos);
        if (check) entry->move |= MOVE_GIVES_CHECK;
        int v = 0;
        if (line_ply && is_repetition(pos))
            score = 0;
        else if (check && !has_legal_reply(pos, ply + 1, true))
            score = SCORE_MATE;
        else if (men_on_board(pos) == 2)
            score = 0;
        else if (!probe(pos, &v))
            score = SCORE_UNKNOWN;
        else if (v == TB_MATED_NOW)
            score = SCORE_MATE;
        else if (v == 0)
            score = 0;
        else if (line_ply == 0)
            score = v > 0 ? 2 * v - 8192 : 2 * v + 8191;
        else
            score = v > 0 ? 2 * v + line_ply - 8194 : 2 * v - line_ply + 8193;
    }
    unmake_move(pos);
    entry->score = int16_t(score);
    return score;
}

void sort_by_score(std::vector<MoveEntry>* moves) {
    std::stable_sort(moves->begin(), moves->end(),
                     [](const MoveEntry& a, const MoveEntry& b) { return a.score > b.score; });
}

// "Unknown - n pieces on board" when the tables can't hold this many men.
bool too_many_men(const Position* pos, std::string* text) {
    const int men = men_on_board(pos);
    if (men <= tb_max_pieces) return false;
    char line[48];
    std::snprintf(line, sizeof line, "Unknown - %d pieces on board\n", men);
    *text += line;
    return true;
}

// Position line and one line per legal move for the side to move; false
// after the position itself was unknown (the text then holds only that).
bool answer_side(Position* pos, std::string* text) {
    const char* label = SIDE_LABELS[pos->side];
    std::vector<MoveEntry> moves = generate(pos, 1);
    if (men_on_board(pos) == 2) {
        *text += format("%s Draw\n", label);
    } else {
        int v = 0;
        if (!probe(pos, &v)) {
            *text = UNKNOWN_POSITION;
            return false;
        }
        if (v == 0)
            *text += format("%s Draw\n", label);
        else if (v > 0)
            *text += format("%s Win in %d\n", label, v);
        else
            *text += format("%s Loss in %d\n", label, tb_loss_moves(v));
    }
    for (MoveEntry& entry : moves) score_move(pos, &entry, 1, 0);
    sort_by_score(&moves);
    for (const MoveEntry& entry : moves) {
        const int s = entry.score;
        const char* move = move_to_text_bare(entry.move);
        if (s == SCORE_ILLEGAL) continue;
        if (s <= SCORE_UNKNOWN)
            *text += format("%s : Unknown - cannot find position in database\n", move);
        else if (s == 0)
            *text += format("%s : Draw\n", move);
        else if (s > 0)
            *text += format("%s : Win in %d\n", move, (8194 - s) / 2);
        else
            *text += format("%s : Loss in %d\n", move, (s + 8193) / 2);
    }
    return true;
}

}  // namespace

int tb_query_all(std::string* text) {
    Position* pos = &main_position;
    pos->move_list[1] = 0;
    text->clear();
    if (too_many_men(pos, text)) return 0;
    if (pos->side == BLACK) make_null_move(pos);
    for (int s = 0; s < 2; ++s) {
        if (!other_king_attacked(pos) && !answer_side(pos, text)) return 0;
        make_null_move(pos);
    }
    return 1;
}

int tb_query_moves(std::string* text) {
    Position* pos = &main_position;
    pos->move_list[1] = 0;
    text->clear();
    if (too_many_men(pos, text)) return 0;
    if (other_king_attacked(pos)) return 0;
    return answer_side(pos, text) ? 1 : 0;
}

int tb_query_line(int side, int ply, std::string* text) {
    Position* pos = &main_position;
    (void)side;
    if (ply == 1) {
        pos->move_list[1] = 0;
        text->clear();
        if (men_on_board(pos) == 2)
            *text = format("%s Draw\n", SIDE_LABELS[pos->side]);
        else if (too_many_men(pos, text))
            return 0;
    }
    const bool in_check = side_to_move_in_check(pos);
    std::vector<MoveEntry> moves = generate(pos, ply);
    // Mated: the line ends with its last move.
    if (in_check && moves.empty()) return 0;
    // Scoring at the last ply would reach past the per-ply lists.
    if (ply > LAST_LINE_PLY || moves.empty()) {
        *text += "\n";
        return 1;
    }
    for (MoveEntry& entry : moves) score_move(pos, &entry, ply, ply);
    sort_by_score(&moves);
    const int best = moves.front().score;
    if (best <= -8192 || (best >= -8000 && best <= 8000)) {
        *text += "\n";
        return 1;
    }
    // Query answers name promotions in upper case (e7e8Q), each move
    // followed by one blank.
    *text += move_to_text_bare(moves.front().move);
    *text += ' ';
    make_move(pos, moves.front().move & MOVE_IDENTITY_MASK);
    tb_query_line(side ^ 1, ply + 1, text);
    unmake_move(pos);
    return 1;
}
