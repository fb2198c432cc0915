// Makes human-games book files from text. The engine deciphers a book's
// statistics with its public key; this writer holds the private exponent
// that enciphers them, and nothing the engine links does.
//
// Source text: one directive a line; blank lines and lines starting with '#'
// are skipped, words are separated by blanks or tabs.
//
//   version <n>             header version (default 1)
//   variations <n>          header variation count (default: the number of moves)
//   games <n>               header game count (default: the games of all moves)
//   position startpos [moves <m> ...]
//   position fen <FEN> [moves <m> ...]
//                           the position the move lines below belong to, as in
//                           the UCI command; its key words are the engine's own
//   key <word1> <word2>     raw key words (hexadecimal) for the move lines
//                           below, for books no real position gives (colliding
//                           low words, a key at a chosen place); their moves are
//                           taken as bare coordinates
//   move <m> class <0-7> [learn <byte>] [result <W>/<D>/<L> elo <white>/<black> year <y>]
//                           one record: a move legal in the position (e2e4,
//                           e7e8q; a promotion keeps only its squares), its play
//                           class, its learning byte (default: the weight
//                           class x 4, at most 31, so that a fresh book plays
//                           the same with book learning on or off) and its
//                           games (results from White's view, White's rating
//                           first); without "result" the record is a novelty
//
// Records are sorted stably by key word 1 and then key word 2 (both unsigned),
// so the records of a position stay together in the order written.
#pragma once

#include <string>
#include <vector>

#include "companion/human_book_file.h"
#include "companion/record_cipher.h"

struct HumanBookSource {
    HumanBookHeader header;
    std::vector<HumanBookRecord> records;
};

// Reads the source text; false with `error` ("line <n>: <what>") on the first
// fault. Uses (and leaves changed) the engine's main position and game.
bool compile_human_book(const std::string& text, HumanBookSource* book, std::string* error);

// The file's bytes: header, then the records in their order.
std::string human_book_bytes(const HumanBookSource& book);

// cipher = the plain words enciphered with the private exponent.
void encipher_book_statistics(const uint32_t plain[HUMAN_BOOK_STATISTICS_WORDS],
                              uint32_t cipher[HUMAN_BOOK_STATISTICS_WORDS]);

// A record's statistics words for the given games, enciphered; false when a
// field does not fit.
bool encipher_book_games(const HumanBookStatistics& games, uint32_t cipher[HUMAN_BOOK_STATISTICS_WORDS]);
