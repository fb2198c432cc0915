#include "book_fixture.h"

#include <sstream>


void BookFixture::SetUp() {
    saved_paths_ = data_paths;
    saved_book_options_ = book_options;
    saved_search_book_options_ = search_book_options;
    saved_engine_flags_ = engine_flags;
    saved_search_flags_ = search_flags;
    saved_search_mode_ = search_mode;
    saved_multi_pv_ = multi_pv;
    saved_services_ = search_services;
    saved_seed_ = book_seed_source;
    saved_opener_ = book_open_read_write;

    prepare_search_engine();
    data_paths.book = data_paths.data = data_paths.db = folder_.path() + "/";
    book_options = BOOK_OPTIONS_INITIAL;
    engine_flags = search_flags = ENGINE_FLAGS_DEFAULT;
    book_seed_source = [] { return 12345u; };
    ASSERT_TRUE(alloc_book_buffer());
}

void BookFixture::TearDown() {
    close_open_files();
    book_record_count = 0;
    book_status = BOOK_NOT_FOUND;
    data_paths = saved_paths_;
    book_options = saved_book_options_;
    search_book_options = saved_search_book_options_;
    engine_flags = saved_engine_flags_;
    search_flags = saved_search_flags_;
    search_mode = saved_search_mode_;
    multi_pv = saved_multi_pv_;
    search_services = saved_services_;
    book_seed_source = saved_seed_;
    book_open_read_write = saved_opener_;
}

std::vector<BookRecord> BookFixture::records_of(const std::vector<std::string>& lines) {
    std::vector<BookRecord> records;
    for (const std::string& line : lines) {
        std::string error;
        EXPECT_TRUE(add_book_line(line, &records, &error)) << line << ": " << error;
    }
    return records;
}

std::string BookFixture::book_name(char letter) {
    std::string name = BOOK_FILE_NAME;
    name[BOOK_LETTER_INDEX] = letter;
    return name;
}

std::string BookFixture::write_book(const std::vector<BookRecord>& records, char letter) {
    std::string path = folder_.file(book_name(letter));
    EXPECT_TRUE(write_book_file(path, sort_book(records)));
    return path;
}

Move BookFixture::root_book_move(const char* fen, const char* moves) {
    if (!set_search_position(fen, moves)) {
        ADD_FAILURE() << "bad position " << fen << " " << moves;
        return NO_MOVE;
    }
    search_mode = SEARCH_MODE_NORMAL;
    search_book_options = book_options;
    search_flags = engine_flags;
    Move move = prepare_root(main_position.side);
    search_mode = SEARCH_MODE_IDLE;
    return move;
}
