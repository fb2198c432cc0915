// The public half of the human-games book's key pair: the statistics of each
// record are the plain words raised to the private exponent modulo the
// modulus, and raising them to the public exponent gives the plain words
// back. Only the book-writing tool holds the private exponent. Books
// enciphered under another key can't be read.
//
// The key is never kept whole, neither in the program file nor in memory
// beyond its use: each use assembles it on its own stack from masked pieces.
#pragma once

#include "companion/big_num.h"

// Fills the 160-bit modulus (its top word non-zero) and the exponent (a
// five-word number of which only the lowest word is non-zero).
void assemble_human_book_key(BigNum modulus, BigNum exponent);
