#include "companion/human_book_key.h"

namespace {

// The key's words, each XOR-ed with a mask word; the masks are the words the
// engine's random generator (x = x * 328474821 + 1) draws from the seed
// below. The seed is read through a volatile, so the compiler cannot combine
// pieces and masks into the key's words at build time.
constexpr uint32_t MODULUS_PIECES[BIGNUM_CIPHER_WORDS] = {0x390EF49D, 0xD6933E48, 0x131FF180, 0x42DA6C8F,
                                                          0xB217A65C};
constexpr uint32_t EXPONENT_PIECE = 0xD3199672;
volatile uint32_t mask_seed = 0x9E3779B9;

uint32_t next_mask(uint32_t* x) {
    *x = *x * 328474821u + 1u;
    return *x;
}

}  // namespace

void assemble_human_book_key(BigNum modulus, BigNum exponent) {
    uint32_t x = mask_seed;
    for (int i = 0; i < BIGNUM_CIPHER_WORDS; ++i) modulus[i] = MODULUS_PIECES[i] ^ next_mask(&x);
    bignum_zero(exponent, BIGNUM_CIPHER_WORDS);
    exponent[0] = EXPONENT_PIECE ^ next_mask(&x);
}
