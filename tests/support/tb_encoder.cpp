#include "tb_encoder.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <queue>
#include <stdexcept>

#include "tablebase/crc.h"
#include "tablebase/decoder.h"

namespace tb_encoder {

namespace {

constexpr int SYMBOLS = 1024;
constexpr int ALPHABET = 64;
constexpr int MAX_LENGTH = 31;

class BitWriter {
public:
    void put(uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> used_);
            used_ = (used_ + 1) & 7;
        }
    }
    std::vector<uint8_t>& bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    int used_ = 0;
};

// A canonical code: codes assigned by (length, symbol), as the decoder does.
// A lone symbol of length 1 costs no bits.
struct PrefixCode {
    std::vector<uint8_t> lengths;
    std::vector<uint32_t> codes;
    bool lone = false;

    explicit PrefixCode(std::vector<uint8_t> l) : lengths(std::move(l)), codes(lengths.size()) {
        int per_length[MAX_LENGTH + 2] = {};
        int coded = 0;
        for (uint8_t length : lengths)
            if (length != 0) ++per_length[length], ++coded;
        lone = coded == 1;
        uint32_t next[MAX_LENGTH + 2] = {};
        for (int length = 2; length <= MAX_LENGTH; ++length) next[length] = (next[length - 1] + uint32_t(per_length[length - 1])) << 1;
        for (size_t s = 0; s < lengths.size(); ++s)
            if (lengths[s] != 0) codes[s] = next[lengths[s]]++;
    }
    bool has(int symbol) const { return lengths[size_t(symbol)] != 0; }
    int cost(int symbol) const { return lone ? 0 : lengths[size_t(symbol)]; }
    void put(BitWriter& out, int symbol) const {
        if (!has(symbol)) throw std::logic_error("symbol without a code");
        if (!lone) out.put(codes[size_t(symbol)], lengths[size_t(symbol)]);
    }
};

// Prefix-code lengths for the counts, at most MAX_LENGTH long; symbols with
// count 0 get none. A single used symbol gets length 1.
std::vector<uint8_t> huffman_lengths(std::vector<uint64_t> counts) {
    const size_t n = counts.size();
    std::vector<uint8_t> lengths(n, 0);
    for (;;) {
        using Item = std::pair<uint64_t, int>;  // count, node
        std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
        std::vector<int> parent;
        for (size_t s = 0; s < n; ++s)
            if (counts[s] != 0) {
                queue.push({counts[s], int(parent.size())});
                parent.push_back(-1);
            }
        if (parent.empty()) return lengths;
        if (parent.size() == 1) {
            for (size_t s = 0; s < n; ++s)
                if (counts[s] != 0) lengths[s] = 1;
            return lengths;
        }
        while (queue.size() > 1) {
            const Item a = queue.top();
            queue.pop();
            const Item b = queue.top();
            queue.pop();
            const int node = int(parent.size());
            parent.push_back(-1);
            parent[size_t(a.second)] = parent[size_t(b.second)] = node;
            queue.push({a.first + b.first, node});
        }
        bool fits = true;
        int leaf = 0;
        for (size_t s = 0; s < n; ++s) {
            if (counts[s] == 0) continue;
            int depth = 0;
            for (int p = leaf++; parent[size_t(p)] >= 0; p = parent[size_t(p)]) ++depth;
            if (depth > MAX_LENGTH) fits = false;
            lengths[s] = uint8_t(std::min(depth, 255));
        }
        if (fits) return lengths;
        for (uint64_t& c : counts)
            if (c != 0) c = (c >> 1) | 1;
    }
}

// Match length -> length code (0..31) and its extra bits.
struct LengthCode {
    int code;
    uint32_t extra;
    int extra_bits;
};
LengthCode length_code(uint32_t length) {
    if (length < 1 || length > (1u << 18) + 13) throw std::logic_error("match length out of range");
    if (length <= 15) return {int(length) - 1, 0, 0};
    if (length < (1u << 17) + 14) {
        const int c = std::bit_width(length - 14) - 1;  // 1..16
        return {c + 14, length - 14 - (1u << c), c};
    }
    return {31, length - 14 - (1u << 17), 17};
}
int match_symbol(int distance_class, uint32_t length) {
    return 256 + distance_class * 32 + length_code(length).code;
}

std::vector<Token> tokenize(const uint8_t* data, uint32_t size, const Options& o, const PrefixCode* code, bool* ok) {
    std::vector<Token> tokens;
    *ok = true;
    uint32_t pos = 0;
    while (pos < size) {
        uint32_t best = 0;
        int best_class = 0;
        if (o.matches)
            for (int c = 0; c < 24; ++c) {
                const uint32_t d = o.distances[size_t(c)];
                if (d == 0 || d > pos) continue;
                uint32_t length = 0;
                while (pos + length < size && data[pos + length] == data[pos + length - d]) ++length;
                if (length > best && (code == nullptr || code->has(match_symbol(c, length)))) {
                    best = length;
                    best_class = c;
                    if (pos + length == size) break;  // nothing reaches further
                }
            }
        if (best >= o.min_match) {
            tokens.push_back(match(best_class, best));
            pos += best;
        } else {
            if (code != nullptr && !code->has(data[pos])) {
                *ok = false;
                return tokens;
            }
            tokens.push_back(literal(data[pos]));
            ++pos;
        }
    }
    return tokens;
}

void count_tokens(const std::vector<Token>& tokens, std::vector<uint64_t>& counts) {
    for (const Token& t : tokens) ++counts[size_t(t.match ? match_symbol(t.distance_class, t.length) : t.literal)];
}

std::vector<uint8_t> code_block(const std::vector<Token>& tokens, const PrefixCode& code) {
    BitWriter out;
    for (const Token& t : tokens) {
        if (!t.match) {
            code.put(out, t.literal);
            continue;
        }
        const LengthCode lc = length_code(t.length);
        code.put(out, 256 + t.distance_class * 32 + lc.code);
        out.put(lc.extra, lc.extra_bits);
    }
    if (out.bytes().empty()) out.bytes().push_back(0);  // a block is never 0 bytes long
    return out.bytes();
}

// The code-length stream of the 1024 data-code lengths.
void put_plain_lengths(BitWriter& out, const std::vector<uint8_t>& lengths) {
    const uint8_t longest = *std::max_element(lengths.begin(), lengths.end());
    if (longest == 0) {
        out.put(1, 1);
        return;
    }
    out.put(0, 1);
    const int width = std::bit_width(unsigned(longest));
    out.put(uint64_t(width), 5);
    for (size_t i = 0; i < lengths.size();) {
        out.put(lengths[i], width);
        if (lengths[i++] != 0) continue;
        size_t zeros = 0;
        while (zeros < 15 && i + zeros < lengths.size() && lengths[i + zeros] == 0) ++zeros;
        out.put(zeros, 4);
        i += zeros;
    }
}

struct RunToken {
    int a;           // A symbol: a length, or 32 + repeated length
    int b = -1;      // B symbol of a repeat
    uint32_t extra = 0;
    int extra_bits = 0;
};

void put_length_stream(BitWriter& out, const std::vector<uint8_t>& lengths, bool flat_alphabets) {
    if (std::all_of(lengths.begin(), lengths.end(), [](uint8_t l) { return l == 0; })) {
        out.put(1, 1);
        return;
    }
    out.put(0, 1);
    std::vector<RunToken> tokens;
    for (size_t i = 0; i < lengths.size();) {
        size_t run = 1;
        while (i + run < lengths.size() && lengths[i + run] == lengths[i]) ++run;
        if (run == 1) {
            tokens.push_back({lengths[i]});
        } else if (run <= 33) {
            tokens.push_back({32 + lengths[i], int(run) - 2});
        } else {
            const int c = std::bit_width(unsigned(run - 33)) - 1;
            tokens.push_back({32 + lengths[i], 32 + c, uint32_t(run - 33 - (size_t(1) << c)), c});
        }
        i += run;
    }
    std::vector<uint8_t> alphabet_lengths;
    if (flat_alphabets) {
        alphabet_lengths.assign(2 * ALPHABET, 6);
    } else {
        std::vector<uint64_t> a(ALPHABET, 0), b(ALPHABET, 0);
        for (const RunToken& t : tokens) {
            ++a[size_t(t.a)];
            if (t.b >= 0) ++b[size_t(t.b)];
        }
        alphabet_lengths = huffman_lengths(a);
        const std::vector<uint8_t> b_lengths = huffman_lengths(b);
        alphabet_lengths.insert(alphabet_lengths.end(), b_lengths.begin(), b_lengths.end());
    }
    put_plain_lengths(out, alphabet_lengths);
    const PrefixCode a_code(std::vector<uint8_t>(alphabet_lengths.begin(), alphabet_lengths.begin() + ALPHABET));
    const PrefixCode b_code(std::vector<uint8_t>(alphabet_lengths.begin() + ALPHABET, alphabet_lengths.end()));
    for (const RunToken& t : tokens) {
        a_code.put(out, t.a);
        if (t.b < 0) continue;
        b_code.put(out, t.b);
        out.put(t.extra, t.extra_bits);
    }
}

std::vector<uint8_t> data_lengths(const Options& o, const std::vector<uint64_t>& counts) {
    switch (o.code) {
        case Code::STORED: return std::vector<uint8_t>(SYMBOLS, 0);
        case Code::FLAT: return std::vector<uint8_t>(SYMBOLS, 10);
        case Code::GIVEN:
            if (o.lengths.size() != SYMBOLS) throw std::logic_error("GIVEN needs 1024 lengths");
            return o.lengths;
        case Code::HUFFMAN: {
            std::vector<uint64_t> c = counts;
            // Two symbols at least, so that the code takes bits and blocks
            // are never empty.
            int used = 0;
            for (uint64_t n : c) used += n != 0;
            for (int s = 0; used < 2 && s < SYMBOLS; ++s)
                if (c[size_t(s)] == 0) c[size_t(s)] = 1, ++used;
            return huffman_lengths(c);
        }
    }
    return {};
}

}  // namespace

std::array<uint32_t, 24> default_distances() {
    return {1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 16, 24, 32, 48, 64, 96, 128, 256, 512, 1024, 2048, 4096, 6144, 8191};
}

File encode(const std::vector<uint8_t>& data, const Options& o) {
    if (data.empty()) throw std::logic_error("no data");
    const uint32_t block_size = 1u << o.block_log;
    const uint64_t n = (data.size() + block_size - 1) / block_size;
    const uint32_t last_size = uint32_t(data.size() - (n - 1) * block_size);
    auto size_of = [&](uint64_t i) { return i + 1 == n ? last_size : block_size; };
    const bool raw = !o.raw_blocks.empty();
    // Distances must fit the header's e-bit fields; longer ones are dropped.
    Options options = o;
    for (uint32_t& d : options.distances)
        if (d >= block_size) d = 0;
    if (raw && o.raw_blocks.size() != n) throw std::logic_error("one raw token list per block");

    // First pass: tokens, and the counts a code built from them needs.
    std::vector<uint64_t> counts(SYMBOLS, 0);
    std::vector<std::vector<Token>> tokens(n);
    std::vector<bool> codable(n, o.code != Code::STORED);
    const PrefixCode* given = nullptr;
    PrefixCode given_code(o.code == Code::GIVEN ? o.lengths : std::vector<uint8_t>(SYMBOLS, 10));
    if (o.code == Code::GIVEN) given = &given_code;
    for (uint64_t i = 0; i < n; ++i) {
        if (raw) {
            tokens[i] = o.raw_blocks[i];
            codable[i] = !tokens[i].empty();
        } else if (codable[i]) {
            bool ok;
            tokens[i] = tokenize(data.data() + i * block_size, size_of(i), options, given, &ok);
            codable[i] = ok;
        }
        if (codable[i]) count_tokens(tokens[i], counts);
    }
    const std::vector<uint8_t> lengths = data_lengths(o, counts);
    const PrefixCode code(lengths);

    File file;
    std::vector<std::vector<uint8_t>> blocks(n);
    file.stored.assign(n, true);
    for (uint64_t i = 0; i < n; ++i) {
        if (codable[i]) {
            blocks[i] = code_block(tokens[i], code);
            file.stored[i] = !raw && blocks[i].size() >= size_of(i);
            if (raw && blocks[i].size() >= size_of(i)) throw std::logic_error("raw block longer than its data");
        }
        if (file.stored[i]) blocks[i].assign(data.begin() + long(i * block_size), data.begin() + long(i * block_size + size_of(i)));
    }

    BitWriter fields;
    const uint32_t mask = block_size - 1;
    for (uint64_t i = 0; i < n; ++i) fields.put(blocks[i].size() & mask, o.block_log);
    fields.put(last_size & mask, o.block_log);
    for (uint32_t d : options.distances) fields.put(d, o.block_log);
    BitWriter stream;
    put_length_stream(stream, lengths, o.flat_length_alphabets);

    std::vector<uint8_t>& out = file.bytes;
    out.assign(TB_FILE_BANNER, TB_FILE_BANNER + TB_BANNER_SIZE);
    out.resize(TB_HEADER_FIXED_SIZE, 0);
    out[70] = uint8_t(o.block_log);
    out[71] = TB_MATCH_DISTANCES;
    put_be32(out, 72, uint32_t(n));
    std::memcpy(out.data() + 76, TB_FORMAT_SIGNATURE, 4);
    out.resize(out.size() + 8 * n, 0);
    out.insert(out.end(), fields.bytes().begin(), fields.bytes().end());
    out.insert(out.end(), stream.bytes().begin(), stream.bytes().end());
    file.header_size = uint32_t(out.size() + 4);
    put_be32(out, 64, file.header_size);
    out.resize(file.header_size, 0);
    refresh_header_crc(out);
    for (uint64_t i = 0; i < n; ++i) {
        file.block_offsets.push_back(out.size());
        out.insert(out.end(), blocks[i].begin(), blocks[i].end());
    }
    file.block_offsets.push_back(out.size());
    return file;
}

void put_be32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

uint32_t get_be32(const std::vector<uint8_t>& bytes, size_t at) {
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

void refresh_header_crc(std::vector<uint8_t>& file) {
    const uint32_t h = get_be32(file, 64);
    put_be32(file, h - 4, tb_crc32(file.data(), h - 4));
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) throw std::runtime_error("cannot write " + path);
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    if (written != bytes.size()) throw std::runtime_error("short write to " + path);
}

}  // namespace tb_encoder
