#include "search/output.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/shared_word.h"
#include "platform/print.h"
#include "search/driver.h"
#include "search/search_info.h"
#include "search/time_control.h"

uint32_t last_bestmove_ms = 0;
bool pv_line_printed = false;
Move current_line[MAX_PLY + 1];

namespace {

// Longest line: a full principal variation of 6 characters a move plus the figures.
constexpr size_t LINE_CAPACITY = 256 + 6 * (MAX_PLY + 1);
char line_buffer[LINE_CAPACITY];

const char* const BOUND_SUFFIXES[8] = {"upperbound", "upperbound", " upperbound ", "", "", "", " lowerbound ",
                                       " lowerbound "};

// Appends the text of each move of a 0-terminated line.
size_t append_moves(size_t length, const Move* moves) {
    for (; *moves && length + 8 < LINE_CAPACITY; ++moves)
        length += size_t(std::snprintf(line_buffer + length, LINE_CAPACITY - length, "%s", move_to_text(*moves)));
    return length;
}

}  // namespace

int bound_kind_of(int state_or_bound) {
    switch (state_or_bound & 0xC0) {
        case 0x40: return BOUND_KIND_UPPER;
        case 0x80: return BOUND_KIND_LOWER;
        case 0xC0: return BOUND_KIND_EXACT;
        default: return state_or_bound & 7;
    }
}

const char* move_to_text(Move move) {
    static char text[7];
    if (move == NULL_MOVE) {
        std::memcpy(text, "0000 ", 6);
        return text;
    }
    int from = move_from(move);
    int to = move_to(move);
    size_t n = 0;
    text[n++] = char('a' + file_of(from));
    text[n++] = char('1' + rank_of(from));
    text[n++] = char('a' + file_of(to));
    text[n++] = char('1' + rank_of(to));
    // UCI clients read promotions in lower case only ("e7e8q").
    if (is_promotion(move)) text[n++] = char(std::tolower(PIECE_LETTERS[PROMOTION_KIND_MAP[move_kind(move)]]));
    text[n++] = ' ';
    text[n] = '\0';
    return text;
}

const char* format_score(int score, int bound_kind) {
    static char text[32];
    if (score >= MATE_SCORE_BOUND)
        std::snprintf(text, sizeof(text), "mate %d", (8193 - score) >> 1);
    else if (score <= -MATE_SCORE_BOUND)
        std::snprintf(text, sizeof(text), "mate %d", -((score + 8192) >> 1));
    else
        std::snprintf(text, sizeof(text), "cp %ld%s", long(score) * 100 / 128, BOUND_SUFFIXES[bound_kind & 7]);
    return text;
}

void print_pv_info(const Move* line, int multipv, int bound_kind, int score, int depth) {
    if (search_mode & 8) return;  // internal searches print nothing
    uint32_t elapsed = get_elapsed_ms();
    refresh_search_figures(elapsed);
    char prefix[24] = "";
    if (multipv != 0) std::snprintf(prefix, sizeof(prefix), "multipv %d ", multipv);
    int length = std::snprintf(line_buffer, LINE_CAPACITY, "info %sdepth %d seldepth %d time %lu nodes %llu nps %lu",
                               prefix, depth, shared_load(seldepth), (unsigned long)elapsed, (unsigned long long)total_nodes,
                               (unsigned long)reported_nps);
    if (score != NO_SCORE_TO_PRINT)
        length += std::snprintf(line_buffer + length, LINE_CAPACITY - size_t(length), " score %s",
                                format_score(score, bound_kind));
    if (tb_hit_count != 0)
        length += std::snprintf(line_buffer + length, LINE_CAPACITY - size_t(length), " tbhits %lu",
                                (unsigned long)tb_hit_count);
    // A finished game has no line to show, only its score.
    if (line[1] != NO_MOVE) {
        length += std::snprintf(line_buffer + length, LINE_CAPACITY - size_t(length), " pv ");
        append_moves(size_t(length), line + 1);
    }
    uci_print("%s\n", line_buffer);
    pv_line_printed = true;
}

void print_depth(int depth) { uci_print("info depth %d seldepth %d\n", depth, shared_load(seldepth)); }

void print_currmove(Move move, int move_number) {
    uci_print("info currmovenumber %d currmove %s\n", move_number, move_to_text(move));
}

void print_nodes_nps(uint64_t nodes) {
    refresh_search_figures(get_elapsed_ms());
    uci_print("info nodes %llu nps %lu\n", (unsigned long long)nodes, (unsigned long)reported_nps);
}

void print_currline() {
    refresh_search_figures(get_elapsed_ms());
    int length = std::snprintf(line_buffer, LINE_CAPACITY, "info nodes %llu nps %lu currline ",
                               (unsigned long long)total_nodes, (unsigned long)reported_nps);
    append_moves(size_t(length), current_line);
    uci_print("%s\n", line_buffer);
}

void print_bestmove(const Move* line) {
    uint32_t elapsed = get_elapsed_ms();
    uint32_t t = elapsed + 1;
    refresh_search_figures(elapsed);
    int length = std::snprintf(line_buffer, LINE_CAPACITY, "info time %lu nps %lu nodes %llu\nbestmove %s",
                               (unsigned long)t, (unsigned long)reported_nps, (unsigned long long)total_nodes,
                               move_to_text(line[1]));
    if (line[2] != 0)
        std::snprintf(line_buffer + length, LINE_CAPACITY - size_t(length), " ponder %s", move_to_text(line[2]));
    uci_print("%s\n", line_buffer);
    last_bestmove_ms = t;
}
