// The public half of the human-games book's key pair: the statistics of each
// record are the plain words raised to the private exponent modulo
// HUMAN_BOOK_MODULUS, and raising them to HUMAN_BOOK_EXPONENT gives the plain
// words back. Only the book-writing tool holds the private exponent. Books
// enciphered under another key can't be read.
#pragma once

#include <cstdint>

#include "companion/big_num.h"

// 160 bits, least significant word first; its top word is non-zero.
inline constexpr BigNum HUMAN_BOOK_MODULUS = {0xF0D53FC3, 0x8D74011F, 0xA7356C74, 0x2740604A, 0xC01FD5C6};
inline constexpr uint32_t HUMAN_BOOK_EXPONENT = 0xC2E5A3F1;
