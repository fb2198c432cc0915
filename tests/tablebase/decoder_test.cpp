#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tablebase/decoder.h"
#include "tb_encoder.h"
#include "tb_file_helpers.h"

namespace {

using tb_encoder::Code;
using tb_encoder::literal;
using tb_encoder::match;
using tb_encoder::Options;
using tb_encoder::Token;
using tb_test::decode_file;

constexpr uint32_t BLOCK = TB_BLOCK_SIZE;

Options with_code(Code code) {
    Options o;
    o.code = code;
    return o;
}

// Lengths 1, 2, ..., 15, 15 for the literals 0..15: the last two codes are 15
// bits long and decode through the tree.
Options skewed_code() {
    Options o;
    o.code = Code::GIVEN;
    o.lengths.assign(1024, 0);
    for (int i = 0; i < 15; ++i) o.lengths[size_t(i)] = uint8_t(i + 1);
    o.lengths[15] = 15;
    o.matches = false;
    o.flat_length_alphabets = true;
    return o;
}

std::vector<uint8_t> skewed_data(size_t size) {
    // Byte k with chance 2^-(k+1), and 15 with the rest: all 16 appear in a few blocks.
    const std::vector<uint8_t> noise = tb_test::random_bytes(2 * size, 7);
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = uint8_t(__builtin_ctz(unsigned(noise[2 * i] << 8 | noise[2 * i + 1]) | 0x8000));
    data[size / 2] = 14;
    data[size / 3] = 15;
    return data;
}

TEST(TablebaseDecoder, RoundTrips) {
    TempDir dir;
    struct Case {
        const char* name;
        std::vector<uint8_t> data;
        Options options;
    };
    const Case cases[] = {
        {"stored blocks", tb_test::sample_table(3 * BLOCK + 1000, 1), with_code(Code::STORED)},
        {"flat code with matches", tb_test::sample_table(20 * BLOCK + 77, 2), with_code(Code::FLAT)},
        {"counted code", tb_test::sample_table(9 * BLOCK, 3), with_code(Code::HUFFMAN)},
        {"noise: stored and coded blocks mixed", tb_test::random_bytes(3 * BLOCK, 4), with_code(Code::HUFFMAN)},
        {"skewed code through the tree", skewed_data(4 * BLOCK + 5), skewed_code()},
        {"one byte", {42}, with_code(Code::HUFFMAN)},
        {"constant blocks", std::vector<uint8_t>(5 * BLOCK, 9), with_code(Code::FLAT)},
    };
    for (const Case& c : cases) {
        const tb_encoder::File file = tb_encoder::encode(c.data, c.options);
        const tb_test::DecodeResult result = decode_file(dir, file.bytes);
        ASSERT_EQ(result.error, 0) << c.name;
        EXPECT_TRUE(result.data == c.data) << c.name;
    }
}

TEST(TablebaseDecoder, FileLayout) {
    TempDir dir;
    // The smallest file: four stored blocks, no code: 80 + 32 + 48 + 1 + 4 bytes.
    const tb_encoder::File stored = tb_encoder::encode(tb_test::random_bytes(3 * BLOCK + 5, 1), with_code(Code::STORED));
    EXPECT_EQ(stored.header_size, 165u);

    // A constant block: one literal and one match of 8191 from distance 1,
    // 10 + 10 + 12 bits.
    const tb_encoder::File constant = tb_encoder::encode(std::vector<uint8_t>(2 * BLOCK, 9), with_code(Code::FLAT));
    EXPECT_EQ(constant.block_offsets[1] - constant.block_offsets[0], 4u);

    // Offsets of every block, the end included, for eight stored blocks in
    // a row (their sizes add up to 2^16) among coded ones.
    std::vector<uint8_t> data = tb_test::sample_table(18 * BLOCK, 5);
    const std::vector<uint8_t> noise = tb_test::random_bytes(8 * BLOCK, 6);
    std::copy(noise.begin(), noise.end(), data.begin() + 8 * BLOCK);
    const tb_encoder::File file = tb_encoder::encode(data, with_code(Code::HUFFMAN));
    for (int i = 8; i < 16; ++i) ASSERT_TRUE(file.stored[size_t(i)]) << i;
    ASSERT_FALSE(file.stored[7]);
    ASSERT_FALSE(file.stored[16]);
    tb_test::OpenedDecoder opened;
    tb_test::open_decoder(dir, file.bytes, &opened);
    ASSERT_EQ(opened.error, 0);
    for (uint32_t i = 0; i <= 18; ++i) EXPECT_EQ(decomp_block_offset(opened.decoder, i), file.block_offsets[i]) << i;
    EXPECT_TRUE(decode_file(dir, file.bytes).data == data);

    // A last block stored at its own size, shorter than a block.
    std::vector<uint8_t> tail = tb_test::sample_table(2 * BLOCK + 300, 8);
    const std::vector<uint8_t> tail_noise = tb_test::random_bytes(300, 9);
    std::copy(tail_noise.begin(), tail_noise.end(), tail.end() - 300);
    const tb_encoder::File short_last = tb_encoder::encode(tail, with_code(Code::HUFFMAN));
    ASSERT_TRUE(short_last.stored[2]);
    EXPECT_EQ(short_last.block_offsets[3] - short_last.block_offsets[2], 300u);
    EXPECT_TRUE(decode_file(dir, short_last.bytes).data == tail);
}

// One block of 8192 bytes from the given tokens, the flat code.
std::vector<uint8_t> raw_file(const std::vector<Token>& tokens, std::array<uint32_t, 24> distances =
                                                                       tb_encoder::default_distances()) {
    Options o = with_code(Code::FLAT);
    o.raw_blocks = {tokens};
    o.distances = distances;
    return tb_encoder::encode(std::vector<uint8_t>(BLOCK, 0), o).bytes;
}

TEST(TablebaseDecoder, MatchLengthsAndOverlaps) {
    TempDir dir;
    // Length codes at their boundaries: 1..4 (short copies), 15, 16 (the
    // first with extra bits), 29 and 30 (3 and 4 extra bits), 4109 (11) and
    // the rest of the block, with distances shorter than the length
    // (repeating the last bytes) and longer.
    std::vector<Token> tokens = {literal(1), literal(2),  literal(3),    match(0, 1),  match(1, 2),
                                 match(2, 3), match(3, 4), match(6, 15), literal(9),   match(10, 16),
                                 match(2, 29), match(3, 30), match(15, 4109)};
    std::vector<uint8_t> expected;
    const auto distances = tb_encoder::default_distances();
    for (const Token& t : tokens) {
        if (!t.match) expected.push_back(t.literal);
        for (uint32_t i = 0; t.match && i < t.length; ++i)
            expected.push_back(expected[expected.size() - distances[size_t(t.distance_class)]]);
    }
    const uint32_t rest = BLOCK - uint32_t(expected.size());
    tokens.push_back(match(0, rest));
    expected.insert(expected.end(), rest, expected.back());
    const tb_test::DecodeResult result = decode_file(dir, raw_file(tokens));
    ASSERT_EQ(result.error, 0);
    EXPECT_TRUE(result.data == expected);
}

TEST(TablebaseDecoder, DecodesInStepsWithAPendingMatch) {
    TempDir dir;
    // Two literals and one match from two bytes back that runs past the end
    // of the block: the match is cut at each requested end and continued by
    // the next call.
    const std::vector<uint8_t> bytes = raw_file({literal(5), literal(6), match(1, 100000)});
    tb_test::OpenedDecoder opened;
    tb_test::open_decoder(dir, bytes, &opened);
    ASSERT_EQ(opened.error, 0);
    tb_test::OpenFile file(opened.path);
    TbDecodeState* state = nullptr;
    ASSERT_EQ(decomp_alloc_state(&state), 0);
    std::vector<uint8_t> out(BLOCK, 0xEE);
    decomp_init_state(state, out.data());
    ASSERT_EQ(decomp_read_block(opened.decoder, state, file.file(), 0), 0);
    for (uint32_t wanted : {1u, 2u, 3u, 7u, 100u, BLOCK}) {
        ASSERT_EQ(decomp_decode_block(opened.decoder, state, wanted), 0) << wanted;
        EXPECT_EQ(out[wanted - 1], wanted % 2 == 1 ? 5 : 6) << wanted;
        if (wanted < BLOCK) {
            EXPECT_EQ(out[wanted], 0xEE) << wanted;
        }
    }
    decomp_free_state(state);
}

TEST(TablebaseDecoder, RejectedHeaders) {
    TempDir dir;
    const tb_encoder::File good = tb_encoder::encode(tb_test::sample_table(4 * BLOCK, 11), with_code(Code::HUFFMAN));
    auto changed = [&](auto change, bool refresh_crc) {
        std::vector<uint8_t> bytes = good.bytes;
        change(bytes);
        if (refresh_crc) tb_encoder::refresh_header_crc(bytes);
        return bytes;
    };
    auto code_options = [](std::vector<uint8_t> lengths) {
        Options o = with_code(Code::GIVEN);
        lengths.resize(1024, 0);
        o.lengths = lengths;
        return o;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int error;
    };
    const Case cases[] = {
        {"short file", std::vector<uint8_t>(good.bytes.begin(), good.bytes.begin() + 79),
         tb_error(TB_CHECK_HEADER_SHORT, TB_READ_ERROR)},
        {"signature", changed([](auto& b) { b[79] = 0xF6; }, true), tb_error(TB_CHECK_SIGNATURE, TB_CORRUPT_DATA)},
        {"23 distances", changed([](auto& b) { b[71] = 23; }, true), tb_error(TB_CHECK_DISTANCE_COUNT, TB_CORRUPT_DATA)},
        {"block size 2^17", changed([](auto& b) { b[70] = 17; }, true), tb_error(TB_CHECK_BLOCK_LOG, TB_CORRUPT_DATA)},
        {"header size 83", changed([](auto& b) { tb_encoder::put_be32(b, 64, 83); }, false),
         tb_error(TB_CHECK_HEADER_SIZE, TB_CORRUPT_DATA)},
        {"checksum", changed([&](auto& b) { b[good.header_size - 1] ^= 0x40; }, false),
         tb_error(TB_CHECK_HEADER_CRC, TB_CORRUPT_DATA)},
        {"no blocks", changed([](auto& b) { tb_encoder::put_be32(b, 72, 0); }, true),
         tb_error(TB_CHECK_BLOCK_COUNT, TB_CORRUPT_DATA)},
        {"more blocks than the header holds", changed([](auto& b) { tb_encoder::put_be32(b, 72, 5000); }, true),
         tb_error(TB_CHECK_HEADER_SIZE, TB_CORRUPT_DATA)},
        {"2^32 - 1 blocks", changed([](auto& b) { tb_encoder::put_be32(b, 72, 0xFFFFFFFFu); }, true),
         tb_error(TB_CHECK_HEADER_SIZE, TB_CORRUPT_DATA)},
        {"header longer than the file", changed([&](auto& b) { tb_encoder::put_be32(b, 64, uint32_t(b.size() + 8)); }, false),
         tb_error(TB_CHECK_HEADER_BEYOND_FILE, TB_CORRUPT_DATA)},
        {"truncated data", std::vector<uint8_t>(good.bytes.begin(), good.bytes.end() - 1),
         tb_error(TB_CHECK_DATA_BEYOND_FILE, TB_CORRUPT_DATA)},
        {"three lengths 1", tb_encoder::encode({0, 1, 2}, code_options({1, 1, 1})).bytes,
         tb_error(TB_CHECK_OVERSUBSCRIBED, TB_CORRUPT_DATA)},
        {"incomplete code", tb_encoder::encode({0, 1, 1}, code_options({1, 2})).bytes,
         tb_error(TB_CHECK_INCOMPLETE, TB_CORRUPT_DATA)},
        {"lone code of 3 bits", tb_encoder::encode({2, 2}, code_options({0, 0, 3})).bytes,
         tb_error(TB_CHECK_LONE_CODE, TB_CORRUPT_DATA)},
    };
    for (const Case& c : cases) {
        tb_test::OpenedDecoder opened;
        tb_test::open_decoder(dir, c.bytes, &opened);
        EXPECT_EQ(opened.error, c.error) << c.name;
        EXPECT_EQ(opened.decoder, nullptr) << c.name;
    }
}

TEST(TablebaseDecoder, AnyBannerIsRead) {
    // The banner is only text; the fixed fields and the checksum over it
    // decide. A changed banner without a new checksum is still refused.
    TempDir dir;
    const std::vector<uint8_t> data = tb_test::sample_table(3 * BLOCK + 100, 17);
    const std::vector<uint8_t> other = tb_test::with_banner(tb_encoder::encode(data).bytes);
    ASSERT_NE(std::vector<uint8_t>(other.begin(), other.begin() + TB_BANNER_SIZE),
              std::vector<uint8_t>(TB_FILE_BANNER, TB_FILE_BANNER + TB_BANNER_SIZE));
    const tb_test::DecodeResult read = decode_file(dir, other);
    EXPECT_EQ(read.error, 0);
    EXPECT_EQ(read.data, data);
    std::vector<uint8_t> stale = tb_encoder::encode(data).bytes;
    stale[5] ^= 0x20;
    EXPECT_EQ(decode_file(dir, stale).error, tb_error(TB_CHECK_HEADER_CRC, TB_CORRUPT_DATA));
}

TEST(TablebaseDecoder, RejectedBlocks) {
    TempDir dir;
    auto distances = tb_encoder::default_distances();
    distances[5] = 0;
    distances[6] = 100;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int error;
    };
    const Case cases[] = {
        {"distance 0", raw_file({literal(1), literal(2), match(5, 3), match(0, 8000)}, distances),
         tb_error(TB_CHECK_DISTANCE, TB_CORRUPT_DATA)},
        {"distance before the block", raw_file({literal(1), match(0, 98), match(6, 10), match(0, 8000)}, distances),
         tb_error(TB_CHECK_DISTANCE, TB_CORRUPT_DATA)},
        {"match as the first symbol", raw_file({match(0, 8192)}), tb_error(TB_CHECK_DISTANCE, TB_CORRUPT_DATA)},
        {"bits run out", raw_file({literal(1), match(0, 100)}), tb_error(TB_CHECK_INPUT_SHORT, TB_CORRUPT_DATA)},
    };
    for (const Case& c : cases) EXPECT_EQ(decode_file(dir, c.bytes).error, c.error) << c.name;

    // A match from exactly as far back as the output reaches is fine.
    const tb_test::DecodeResult edge = decode_file(dir, raw_file({literal(1), match(0, 99), match(6, 10), match(0, 8082)}, distances));
    EXPECT_EQ(edge.error, 0);
}

TEST(TablebaseDecoder, BadArguments) {
    TempDir dir;
    const tb_encoder::File file = tb_encoder::encode(tb_test::sample_table(2 * BLOCK, 12), with_code(Code::HUFFMAN));
    tb_test::OpenedDecoder opened;
    tb_test::open_decoder(dir, file.bytes, &opened);
    ASSERT_EQ(opened.error, 0);
    tb_test::OpenFile open(opened.path);
    EXPECT_EQ(decomp_alloc_state(nullptr), tb_error(TB_CHECK_STATE, TB_BAD_ARGUMENT));
    EXPECT_EQ(decomp_init_state(nullptr, nullptr), tb_error(TB_CHECK_STATE, TB_BAD_ARGUMENT));
    TbDecodeState* state = nullptr;
    ASSERT_EQ(decomp_alloc_state(&state), 0);
    std::vector<uint8_t> out(BLOCK);
    EXPECT_EQ(decomp_read_block(opened.decoder, state, open.file(), 0), tb_error(TB_CHECK_NO_OUTPUT, TB_BAD_ARGUMENT));
    decomp_init_state(state, out.data());
    EXPECT_EQ(decomp_read_block(opened.decoder, state, open.file(), 2), tb_error(TB_CHECK_BLOCK_NUMBER, TB_BAD_ARGUMENT));
    ASSERT_EQ(decomp_read_block(opened.decoder, state, open.file(), 1), 0);
    EXPECT_EQ(decomp_decode_block(opened.decoder, state, 0), tb_error(TB_CHECK_WANTED, TB_BAD_ARGUMENT));
    EXPECT_EQ(decomp_decode_block(opened.decoder, state, BLOCK + 1), tb_error(TB_CHECK_WANTED, TB_BAD_ARGUMENT));
    state->check_word = 0;
    EXPECT_EQ(decomp_decode_block(opened.decoder, state, BLOCK), tb_error(TB_CHECK_STATE, TB_BAD_ARGUMENT));
    decomp_free_state(state);
}

TEST(TablebaseDecoder, RecognisesCompressedFilesByTheirHeader) {
    TempDir dir;
    const std::vector<uint8_t> data = tb_test::sample_table(2 * BLOCK, 13);
    std::vector<uint8_t> compressed = tb_encoder::encode(data, with_code(Code::HUFFMAN)).bytes;
    const std::vector<uint8_t> foreign_banner = tb_test::with_banner(compressed);
    std::vector<uint8_t> bad_crc = compressed;
    bad_crc[90] ^= 1;
    const std::pair<std::vector<uint8_t>, bool> cases[] = {
        {compressed, true}, {foreign_banner, true}, {data, false}, {bad_crc, false}, {{1, 2, 3}, false}};
    int i = 0;
    for (const auto& [bytes, expected] : cases) {
        const std::string path = dir.file("file" + std::to_string(i++));
        tb_encoder::write_bytes(path, bytes);
        tb_test::OpenFile file(path);
        EXPECT_EQ(tb_has_compressed_header(file.file()), expected) << i;
    }
}

}  // namespace

namespace {

TEST(TablebaseDecoder, RandomDamageIsReportedNotReadPast) {
    // Flip bits in the header after its size field (the checksum made right
    // again, so the damage reaches the fields and the code lengths) or in
    // the block data: every
    // file must open and decode or fail with an error, and never touch
    // memory outside its buffers (the sanitizer builds check that).
    TempDir dir;
    Options skewed = skewed_code();
    skewed.flat_length_alphabets = false;
    const std::vector<std::vector<uint8_t>> files = {
        tb_encoder::encode(tb_test::sample_table(4 * BLOCK + 99, 21), with_code(Code::HUFFMAN)).bytes,
        tb_encoder::encode(tb_test::sample_table(3 * BLOCK, 22), with_code(Code::FLAT)).bytes,
        tb_encoder::encode(skewed_data(2 * BLOCK), skewed).bytes,
    };
    uint32_t seed = 99;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    int failures = 0;
    for (int round = 0; round < 600; ++round) {
        std::vector<uint8_t> bytes = files[size_t(round) % files.size()];
        const uint32_t header = tb_encoder::get_be32(bytes, 64);
        const bool in_header = round % 2 == 0;
        for (int flips = 1 + int(next() % 3); flips > 0; --flips) {
            const size_t at = in_header ? 68 + next() % (header - 72) : header + next() % (bytes.size() - header);
            bytes[at] ^= uint8_t(1u << (next() % 8));
        }
        if (in_header) tb_encoder::refresh_header_crc(bytes);
        const int error = decode_file(dir, bytes).error;
        if (error != 0) {
            ++failures;
            EXPECT_TRUE(tb_error_kind(error) == TB_CORRUPT_DATA || tb_error_kind(error) == TB_BAD_ARGUMENT ||
                        tb_error_kind(error) == TB_READ_ERROR || tb_error_kind(error) == TB_OUT_OF_MEMORY)
                << round;
        }
    }
    EXPECT_GT(failures, 100);
}

}  // namespace
