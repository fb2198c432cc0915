// What the book tests share: a temporary book folder, books built there by
// the book builder, and the book settings saved and put back around a test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/book.h"
#include "book/book_probe.h"
#include "book/data_paths.h"
#include "book_builder.h"
#include "position/position.h"
#include "search/driver.h"
#include "search/root.h"
#include "search/services.h"
#include "search/search_fixture.h"
#include "temp_dir.h"
#include "game/game_history.h"
#include "config/settings.h"

constexpr const char* BOOK_START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class BookFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The records of book lines (see tools/book_builder.h).
    static std::vector<BookRecord> records_of(const std::vector<std::string>& lines);
    // The file name with `letter` after "14".
    static std::string book_name(char letter);
    // Writes a book of these records (sorted here) under `letter`.
    std::string write_book(const std::vector<BookRecord>& records, char letter = 'a');
    std::string write_book(const std::vector<std::string>& lines, char letter = 'a') {
        return write_book(records_of(lines), letter);
    }

    // The root preparation of a normal search on the position reached by
    // `moves` (coordinate text) from the FEN: the book's move, or 0.
    Move root_book_move(const char* fen, const char* moves = "");

    TempDir folder_;

private:
    DataPaths saved_paths_;
    uint32_t saved_book_options_, saved_search_book_options_, saved_engine_flags_, saved_search_flags_;
    uint32_t saved_search_mode_;
    int saved_multi_pv_;
    SearchServices saved_services_;
    BookSeedSource saved_seed_;
    BookOpener saved_opener_;
};
