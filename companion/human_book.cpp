#include "companion/human_book.h"

#include <new>

#include "book/book_learning.h"
#include "config/settings.h"
#include "game/game_history.h"
#include "game/repetition.h"
#include "platform/print.h"
#include "position/make.h"
#include "position/position.h"
#include "search/root.h"
#include "search/search_moves.h"
#include "search/services.h"
#include "search/random.h"

HumanBookHeader human_book_header;
HumanBookRecord* human_book_buffer = nullptr;
HumanBookRecord* human_book_buffer_end = nullptr;

namespace {

PositionedFile book_file;

// Half the read window lies before the record the search found.
constexpr int64_t WINDOW_LEAD = HUMAN_BOOK_BUFFER_RECORDS / 2;

// Book Mode values.
constexpr int MODE_WILD = 1;
constexpr int MODE_SURPRISE = 2;
constexpr int MODE_DYNAMIC = 3;
constexpr int MODE_TOURNAMENT = 4;

int book_mode(uint32_t options) { return int((options & BO_BOOK_MODE) >> BO_BOOK_MODE_SHIFT); }

// The root move with the record's from/to squares, or null.
RootMove* root_move_of(const HumanBookRecord& record) {
    for (int i = 0; i < root_move_count; ++i)
        if ((root_moves[i].line[1] & HUMAN_BOOK_MOVE_MASK) == human_book_move_squares(record)) return &root_moves[i];
    return nullptr;
}

void raise_last_book_ply() {
    if (game_ply > last_book_ply) last_book_ply = game_ply;
}

// Weight of one book record by Book Mode; 0 never chosen.
int64_t weigh_record(const HumanBookRecord& record, int mode) {
    const bool learning = (engine_flags & EF_BOOK_LEARNING) != 0;
    const int play_class = human_book_play_class(record);
    int64_t g = learning ? learned_weight(record) : int64_t(play_class) * 4;
    switch (mode) {
        case MODE_TOURNAMENT: {
            if (g < 12) return 0;
            int64_t h;
            if (learning) {
                const int64_t power = int64_t(1) << (g >> 2);
                h = power + power * (g & 3) / 4;
            } else {
                h = g * g + 1;
            }
            g = h * 1024;
            if (learning) {
                if (learning_flagged(record)) g = h * 2048;
                static constexpr int COUNTER_SHIFTS[4] = {0, 2, 4, 6};
                g >>= COUNTER_SHIFTS[learning_counter(record)];
            }
            return g * ((next_random() & 63) + 1);
        }
        case MODE_DYNAMIC:
            if (g < 8) return 0;
            return g * ((next_random() & 63) + 1);
        case MODE_SURPRISE:
            if (g < 4) return 0;
            if (play_class == 1) g += 22;
            if (play_class == 2) g += 20;
            return g * ((next_random() & 255) + 1);
        case MODE_WILD: {
            const uint32_t x1 = next_random();
            const uint32_t x2 = next_random();
            return (g + (x1 & 15)) * ((x2 & 127) + 1);
        }
        default:
            return 0;
    }
}

// Learning writes only into a book that was loaded and found valid.
bool human_book_learnable() { return (book_options & BO_HUMAN_BOOK) != 0; }

uint32_t learn_game_move(uint32_t key_word1, uint32_t key_word2, uint32_t flags, int move) {
    return learn_human_book_move(key_word1, key_word2, flags, Move(move));
}

}  // namespace

void install_human_book_learning() { book_learner = {human_book_learnable, learn_game_move}; }

bool human_book_usable(uint32_t options) {
    return (options & BO_BOOK_MODE) && (options & BO_OWN_BOOK) && (options & BO_HUMAN_BOOK);
}

int alloc_human_book_buffer() {
    if (!human_book_buffer) {
        human_book_buffer = new (std::nothrow) HumanBookRecord[HUMAN_BOOK_BUFFER_RECORDS]();
        if (!human_book_buffer) return 0;
    }
    human_book_buffer_end = human_book_buffer;
    search_services.choose_book_move = choose_human_book_move;
    return 1;
}

void free_human_book_buffer() {
    delete[] human_book_buffer;
    human_book_buffer = human_book_buffer_end = nullptr;
}

void close_human_book() {
    close_positioned_file(&book_file);
    human_book_header = HumanBookHeader{};
}

int load_human_book(const char* file_name) {
    close_human_book();
    book_options &= ~BO_HUMAN_BOOK;
    search_book_options &= ~BO_HUMAN_BOOK;
    if (!open_positioned_file_for_update(file_name, &book_file) && !open_positioned_file(file_name, &book_file))
        return 0;
    if (!read_human_book_header(book_file, &human_book_header)) {
        // A foreign or damaged file must not stay open: learning would
        // write into it.
        close_human_book();
        return 0;
    }
    uci_print("Book version=%lu positions=%lu variations=%lu games=%lu\n", (unsigned long)human_book_header.version,
              (unsigned long)human_book_header.positions, (unsigned long)human_book_header.variations,
              (unsigned long)human_book_header.games);
    book_options |= BO_HUMAN_BOOK | BO_OWN_BOOK;
    search_book_options |= BO_HUMAN_BOOK | BO_OWN_BOOK;
    return 1;
}

uint32_t read_human_book_buffer(uint64_t first, uint32_t count) {
    if (!human_book_buffer) return 0;
    if (count > HUMAN_BOOK_BUFFER_RECORDS) count = HUMAN_BOOK_BUFFER_RECORDS;
    const uint32_t got =
        book_file.is_open() ? read_human_book_records(book_file, human_book_header, first, count, human_book_buffer) : 0;
    human_book_buffer_end = human_book_buffer + got;
    return got;
}

int find_human_book_record(uint32_t key_word1, int64_t* index, HumanBookRecord** record) {
    // Signed 64-bit bounds: hi = mid - 1 may go below zero, and a book may
    // hold any 32-bit record count.
    int64_t lo = 0;
    int64_t hi = int64_t(human_book_header.positions) - 1;
    while (lo <= hi) {
        const int64_t mid = lo + (hi - lo) / 2;
        // A file shorter than its header says: what is missing is not found.
        if (read_human_book_buffer(uint64_t(mid), 1) == 0) break;
        const uint32_t found = human_book_buffer[0].key_word1;
        if (found == key_word1) {
            const int64_t start = mid > WINDOW_LEAD ? mid - WINDOW_LEAD : 0;
            const uint32_t got = read_human_book_buffer(uint64_t(start), HUMAN_BOOK_BUFFER_RECORDS);
            int64_t at = mid - start;
            if (at >= int64_t(got)) break;
            while (at > 0 && human_book_buffer[at - 1].key_word1 == key_word1) --at;
            *index = start + at;
            *record = &human_book_buffer[at];
            return 1;
        }
        if (key_word1 < found)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    *index = lo;
    *record = nullptr;
    return 0;
}

uint32_t position_key_word1() { return human_book_key_word1(main_position.key_lo, main_position.side); }
uint32_t position_key_word2() { return main_position.key_hi; }

Move choose_human_book_move(uint32_t options, int side) {
    (void)side;
    const int shown = multi_pv < root_move_count ? multi_pv : root_move_count;
    for (int i = 0; i < shown; ++i) root_moves[i].score = -256;
    if (!human_book_usable(options)) return NO_MOVE;
    if (last_book_ply != -1 && game_ply > last_book_ply + 8) return NO_MOVE;

    const uint32_t key1 = position_key_word1();
    const uint32_t key2 = position_key_word2();
    int64_t index;
    HumanBookRecord* record;
    if (!find_human_book_record(key1, &index, &record)) return NO_MOVE;
    raise_last_book_ply();

    Position* pos = &main_position;
    const int mode = book_mode(options);
    RootMove* best = nullptr;
    int64_t best_weight = 0;
    for (; record < human_book_buffer_end && record->key_word1 == key1; ++record) {
        if (record->key_word2 != key2) continue;
        RootMove* rm = root_move_of(*record);
        if (!rm) continue;
        const Move move = rm->line[1] & MOVE_IDENTITY_MASK;
        make_move(pos, move);
        const bool usable = !mover_king_attacked(pos) && count_repetitions(pos) == 0;
        if (usable && (current_ply_record(pos)->flags & PLY_IN_CHECK)) rm->line[1] |= MOVE_GIVES_CHECK;
        unmake_move(pos);
        if (!usable) continue;
        const int64_t weight = weigh_record(*record, mode);
        if (!best || weight > best_weight) {
            best = rm;
            best_weight = weight;
        }
    }
    if (!best || multi_pv != 1 || best_weight <= 0) return NO_MOVE;
    return best->line[1];
}

void flag_human_book_moves(int side, uint32_t options) {
    (void)side;
    if (!human_book_usable(options)) return;
    const uint32_t key1 = position_key_word1();
    const uint32_t key2 = position_key_word2();
    int64_t index;
    HumanBookRecord* record;
    if (!find_human_book_record(key1, &index, &record)) return;
    raise_last_book_ply();
    for (; record < human_book_buffer_end && record->key_word1 == key1 && record->key_word2 == key2; ++record) {
        RootMove* rm = root_move_of(*record);
        if (!rm) continue;
        rm->depth = 63;
        rm->score = 0;
        rm->second = human_book_play_class(*record) + 1;
        rm->flags = RM_BOOK;
    }
}

uint32_t learn_human_book_move(uint32_t key_word1, uint32_t key_word2, uint32_t flags, Move move) {
    // Only a valid book is ever written.
    if (!(book_options & BO_HUMAN_BOOK)) return flags;
    int64_t index;
    HumanBookRecord* record;
    if (!find_human_book_record(key_word1, &index, &record)) return flags;

    HumanBookRecord* played = nullptr;
    int64_t played_index = 0;
    int highest = 0;
    bool settled = true;
    bool flagged = true;
    for (HumanBookRecord* r = record; r < human_book_buffer_end && r->key_word1 == key_word1; ++r) {
        if (r->key_word2 != key_word2) continue;
        if (human_book_move_squares(*r) == (move & HUMAN_BOOK_MOVE_MASK)) {
            if (!played) {
                played = r;
                played_index = index + (r - record);
            }
            continue;
        }
        const int weight = learned_weight(*r);
        if (weight > highest) highest = weight;
        const int low7 = r->learning & 0x7F;
        if (low7 >= 12 && low7 <= 31) settled = false;
        if (weight >= 12 && !learning_flagged(*r)) flagged = false;
    }
    if (!played) return flags;

    const int e = int(flags & 0xFF) - 64;
    int f = learned_weight(*played) + e;
    f = f < 12 ? 12 : f > 31 ? 31 : f;

    if (e < 0 && highest > 11 && !(settled && (flags & 0x4000))) {
        flags += 1;
        if (f < highest && (flags & 0xFF) < 63) flags += 1;
    }
    if (e > 0 && highest > 11 && !(flagged && (flags & 0x8000))) {
        flags -= 1;
        if ((flags & 0xFF) > 65 && f < highest) flags -= 1;
    }
    if (f == learned_weight(*played) && !(flags & 0xE000)) return flags;

    uint8_t byte = uint8_t((played->learning & 0xE0) | f);
    if (flags & 0x8000) byte |= LEARNING_FLAG;
    if (flags & 0x4000) {
        if (!settled) flags &= ~0x4000u;
        const int counter = (byte & LEARNING_COUNTER_MASK) >> LEARNING_COUNTER_SHIFT;
        if (counter != 3) byte = uint8_t((byte & ~LEARNING_COUNTER_MASK) | (counter + 1) << LEARNING_COUNTER_SHIFT);
    }
    if (byte != played->learning) {
        // The buffer holds the record as stored (statistics still
        // enciphered): only the learning byte changes in the file.
        played->learning = byte;
        write_human_book_record(book_file, uint64_t(played_index), *played);
    }
    return flags;
}
