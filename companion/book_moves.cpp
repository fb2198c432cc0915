#include "companion/book_moves.h"

#include <algorithm>

#include "companion/human_book.h"
#include "companion/move_text_bare.h"
#include "companion/perf_table.h"
#include "companion/record_cipher.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "platform/print.h"
#include "position/make.h"
#include "position/position.h"
#include "search/search_moves.h"

namespace {

// Annotation of a book move by its play class.
constexpr const char* CLASS_ANNOTATIONS[8] = {"?", "?!", "!?", "", "", "", "", "!"};

constexpr int PERF_LIMIT = 2000;

MoveEntry* entry_of(const HumanBookRecord& record, MoveEntry* first, MoveEntry* last) {
    for (MoveEntry* e = first; e < last; ++e)
        if ((e->move & HUMAN_BOOK_MOVE_MASK) == human_book_move_squares(record)) return e;
    return nullptr;
}

void print_statistics_line(const HumanBookRecord& stored, Move move, int side, int64_t play_share) {
    HumanBookRecord record = stored;  // deciphered in a copy: the buffer keeps what the file holds
    decipher_book_record(&record);
    const HumanBookStatistics s = unpack_book_statistics(record.statistics);
    const uint64_t games = uint64_t(s.wins) + s.draws + s.losses;
    const char* text = move_to_text_bare(move);
    const int play_whole = int(play_share / 10);
    const int play_tenth = int(play_share % 10);
    if (games == 0) {
        uci_print("%s novelty play=%d.%d%%\n", text, play_whole, play_tenth);
        return;
    }
    // (D + 2W) * 500 exceeds 32 bits for the largest counts.
    int64_t score = int64_t((uint64_t(s.draws) + 2 * uint64_t(s.wins)) * 500 / games);
    int dp = perf_table[size_t(std::clamp<int64_t>((score + 5) / 10, 0, 100))];
    dp = std::clamp(dp, -PERF_LIMIT, PERF_LIMIT);
    uint32_t wins = s.wins, losses = s.losses, own = s.white_rating, opponents = s.black_rating;
    if (side == BLACK) {
        std::swap(wins, losses);
        score = 1000 - score;
        dp = -dp;
        std::swap(own, opponents);
    }
    uci_print("%s%s %2u.%u%% games=%u +%u=%u-%u year=%d elo=%u v %u perf=%d play=%d.%d%%\n", text,
              CLASS_ANNOTATIONS[human_book_play_class(stored)], unsigned(score / 10), unsigned(score % 10),
              unsigned(games), wins, unsigned(s.draws), losses, int(s.year), own, opponents, int(opponents) + dp,
              play_whole, play_tenth);
}

}  // namespace

int print_book_moves(int side, uint32_t options, MoveEntry* first, MoveEntry* last) {
    if (!human_book_usable(options)) return 0;
    const uint32_t key1 = position_key_word1();
    const uint32_t key2 = position_key_word2();
    int64_t index;
    HumanBookRecord* start;
    if (!find_human_book_record(key1, &index, &start)) return 0;
    if (game_ply > last_book_ply) last_book_ply = game_ply;

    HumanBookRecord* end = start;
    int64_t total = 0;
    while (end < human_book_buffer_end && end->key_word1 == key1 && end->key_word2 == key2) {
        const int play_class = human_book_play_class(*end);
        if (play_class > 2) total += int64_t(1) << play_class;
        ++end;
    }

    Position* pos = &main_position;
    int count = 0;
    for (HumanBookRecord* r = start; r < end; ++r) {
        MoveEntry* entry = entry_of(*r, first, last);
        if (!entry) continue;
        ++count;
        const int play_class = human_book_play_class(*r);
        const int64_t share = play_class > 2 && total > 0 ? (int64_t(1) << play_class) * 1000 / total : 0;
        if (options & BO_QUERY_MODE) print_statistics_line(*r, entry->move, side, share);
        make_move(pos, entry->move & MOVE_IDENTITY_MASK);
        const bool checks = !mover_king_attacked(pos) && count_repetitions(pos) == 0 &&
                            (current_ply_record(pos)->flags & PLY_IN_CHECK);
        unmake_move(pos);
        if (checks) entry->move |= MOVE_GIVES_CHECK;
    }
    return count;
}
