#include "book/book_learning.h"

#include <algorithm>

#include "book/book.h"
#include "book/book_weight.h"
#include "config/settings.h"
#include "game/game_history.h"

namespace {

constexpr uint16_t ENGINE_MOVE = 0x10;    // GameRecord result flag: the engine's searched move
constexpr uint16_t BOOK_MOVE = 0x1000;    // ... a book move
constexpr int FOLLOWING_MOVES = 6;        // engine moves after the book that judge it
constexpr int FIRST_RECORD = 2;           // the game's first move

bool is_engine_book_move(const GameRecord& r) { return (r.result_flags & (ENGINE_MOVE | BOOK_MOVE)) == (ENGINE_MOVE | BOOK_MOVE); }

// Learning needs a game the engine played one side of, at full strength,
// in Tournament mode, with Book Learning on and a book it may write.
bool game_can_teach() {
    bool engine_side_seen[2] = {false, false};
    for (int i = FIRST_RECORD; i <= game_ply && i < GAME_RECORD_COUNT; ++i)
        if (game_records[i].result_flags & ENGINE_MOVE) engine_side_seen[game_records[i].mover & 1] = true;
    if (engine_side_seen[0] && engine_side_seen[1]) return false;
    if (node_rate_limit != 0) return false;
    if (int((search_book_options & BO_BOOK_MODE) >> BO_BOOK_MODE_SHIFT) < BOOK_MODE_TOURNAMENT) return false;
    if (selectivity_scale < 128 || !(search_flags & 0x6000u)) return false;
    return (engine_flags & EF_BOOK_LEARNING) && book_learner.writable();
}

}  // namespace

BookLearner book_learner = {book_writable, learn_book_move};

uint32_t learn_book_move(uint32_t key, uint32_t key_hi, uint32_t word, int move) {
    long first = 0;
    if (!find_book_record(key, &first)) return word;
    const int run = book_run_length(key);
    const int check_byte = book_check_byte(key_hi);

    int target = -1;
    int best_other = 0;                // the largest learned weight among the alternatives
    bool alternatives_learned = true;  // each has lost before or was never learned up
    bool alternatives_won = true;      // each learned one has won
    for (int i = 0; i < run; ++i) {
        const BookRecord& r = book_buffer[i];
        if (r.check_byte() != check_byte) continue;
        if (r.move() == (move & BOOK_MOVE_MASK)) {
            if (target < 0) target = i;
            continue;
        }
        best_other = std::max(best_other, r.weight());
        if (!(r.counter() > 0 || r.weight() < BOOK_LEARNED_WEIGHT_MIN)) alternatives_learned = false;
        if (r.weight() >= BOOK_LEARNED_WEIGHT_MIN && !r.won()) alternatives_won = false;
    }
    if (target < 0) return word;

    BookRecord record = book_buffer[target];
    const int delta = int(word & 0xFF) - LEARN_WORD_NEUTRAL;
    const int g = std::clamp(record.weight() + delta, BOOK_LEARNED_WEIGHT_MIN, BOOK_MAX_WEIGHT);

    // The earlier moves learn less, unless this position had nothing better.
    if (delta < 0 && best_other > 11 && !(alternatives_learned && (word & LEARN_WORD_LOSS))) {
        ++word;
        if (g < best_other && int(word & 0xFF) < 63) ++word;
    } else if (delta > 0 && best_other > 11 && !(alternatives_won && (word & LEARN_WORD_WIN))) {
        --word;
        if (int(word & 0xFF) > 65 && g < best_other) --word;
    }
    if (g == record.weight() && !(word & 0xE000)) return word;

    const BookRecord before = record;
    record.learn_word = uint16_t((record.learn_word & ~BOOK_WEIGHT_MASK) | g);
    if (word & LEARN_WORD_WIN) record.learn_word |= BOOK_WON;
    if (word & LEARN_WORD_LOSS) {
        if (!alternatives_learned) word &= ~LEARN_WORD_LOSS;
        const int counter = std::min(record.counter() + 1, BOOK_MAX_COUNTER);
        record.learn_word = uint16_t((record.learn_word & ~BOOK_COUNTER_MASK) | counter << BOOK_COUNTER_SHIFT);
    }
    if (record.learn_word != before.learn_word) write_book_record(first + target, record);
    return word;
}

uint32_t learn_book_game(int side, int result) {
    if (!game_can_teach()) return uint32_t(result);

    uint32_t flags = 0;
    int delta = 0;
    if (result == side + RESULT_WHITE_WON) {
        flags = LEARN_WORD_WIN;
        delta = 2;
    } else if (result == RESULT_WHITE_WON || result == RESULT_BLACK_WON) {
        flags = LEARN_WORD_LOSS;
        delta = -4;
    }

    // The engine's last move, then back two plies at a time to its last book move.
    const int last = std::min(game_ply, GAME_RECORD_COUNT - 1);
    int book = last;
    while (book >= FIRST_RECORD && !((game_records[book].result_flags & ENGINE_MOVE) && game_records[book].mover == side))
        --book;
    while (book >= FIRST_RECORD && !is_engine_book_move(game_records[book])) book -= 2;
    if (book < FIRST_RECORD) return uint32_t(result);

    // The engine's first moves after the book judge it by their scores.
    int threshold = side == 0 ? -64 : -128;
    for (int n = 0, i = book + 2; n < FOLLOWING_MOVES && i <= last; ++n, i += 2, threshold += 16) {
        const GameRecord& r = game_records[i];
        if (!(r.result_flags & ENGINE_MOVE)) continue;
        if (r.score <= threshold) --delta;
        if (r.score > threshold + 128) ++delta;
    }
    if (delta < 0) flags &= ~LEARN_WORD_WIN;
    uint32_t word = uint32_t(delta + LEARN_WORD_NEUTRAL) | flags;
    if (word == LEARN_WORD_NEUTRAL) return word;

    for (int i = book; i >= FIRST_RECORD && word != LEARN_WORD_NEUTRAL; --i) {
        const GameRecord& r = game_records[i];
        if (!is_engine_book_move(r)) continue;
        word = book_learner.learn_move(book_key(r.saved_key_lo, r.mover), r.saved_key_hi, word,
                                       r.move & BOOK_MOVE_MASK);
    }
    return word;
}
