// Error codes of the tablebase decompressor: 0 is success; otherwise the low
// 8 bits give the kind and the bits above name the check that failed.
#pragma once

constexpr int TB_READ_ERROR = 2;
constexpr int TB_OUT_OF_MEMORY = 5;
constexpr int TB_CORRUPT_DATA = 6;
constexpr int TB_BAD_ARGUMENT = 7;

enum TbCheck : int {
    // Header.
    TB_CHECK_HEADER_SHORT = 1,   // fewer than 80 bytes
    TB_CHECK_BLOCK_LOG,          // block size above 2^16
    TB_CHECK_HEADER_SIZE,        // header size below 84, or too small for its block count
    TB_CHECK_DISTANCE_COUNT,     // not 24 match distances
    TB_CHECK_SIGNATURE,          // bytes 76-79 are not 00 40 01 F5
    TB_CHECK_BLOCK_COUNT,        // no blocks
    TB_CHECK_FILE_SIZE,          // the size of the file can't be had
    TB_CHECK_HEADER_BEYOND_FILE, // the header is longer than the file
    TB_CHECK_HEADER_READ,        // the rest of the header can't be read
    TB_CHECK_HEADER_CRC,         // header checksum mismatch
    TB_CHECK_SIZE_FIELD,         // block sizes and distances run past the header
    TB_CHECK_DATA_BEYOND_FILE,   // block data ends after the end of the file
    // Code lengths and codes.
    TB_CHECK_LENGTH_TOO_LONG,    // a code length above 31
    TB_CHECK_ZERO_RUN,           // zero lengths run past the count
    TB_CHECK_REPEAT_RUN,         // a repeated length runs past the count
    TB_CHECK_LENGTHS_SHORT,      // the length stream runs past the header
    TB_CHECK_LONE_CODE,          // a lone code longer than one bit
    TB_CHECK_OVERSUBSCRIBED,     // more codes than the lengths allow
    TB_CHECK_INCOMPLETE,         // fewer codes than the lengths allow
    // Blocks.
    TB_CHECK_STATE,              // no state, or a state that was never initialised
    TB_CHECK_BLOCK_NUMBER,       // block number beyond the file
    TB_CHECK_BLOCK_SIZE,         // blocks larger than the decode buffers
    TB_CHECK_BLOCK_READ,         // the block's bytes can't be read
    TB_CHECK_WANTED,             // a byte count outside 1..block size
    TB_CHECK_INPUT_SHORT,        // the block's bits run out before its bytes
    TB_CHECK_DISTANCE,           // a match reaching before the start of the block
    TB_CHECK_NO_OUTPUT,          // the state has no output buffer
};

constexpr int tb_error(TbCheck check, int kind) { return int(check) << 8 | kind; }
constexpr int tb_error_kind(int code) { return code & 0xFF; }
constexpr int tb_error_check(int code) { return code >> 8; }
