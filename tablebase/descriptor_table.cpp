// The descriptor table, generated at compile time from the list of names in
// record order and the lists of symmetric, two-byte and split materials.
#include <cstring>

#include "tablebase/descriptor.h"
#include "tablebase/table_lengths.h"

namespace {

constexpr const char* RECORD_NAMES[TB_RECORD_COUNT] = {
    "kk", "kpk", "knk", "kbk", "krk", "kqk", "kpkp", "knkp", "knkn", "kbkp",
    "kbkn", "kbkb", "krkp", "krkn", "krkb", "krkr", "kqkp", "kqkn", "kqkb", "kqkr",
    "kqkq", "kppk", "knpk", "knnk", "kbpk", "kbnk", "kbbk", "krpk", "krnk", "krbk",
    "krrk", "kqpk", "kqnk", "kqbk", "kqrk", "kqqk", "kppkp", "kppkn", "kppkb", "kppkr",
    "kppkq", "knpkp", "knpkn", "knpkb", "knpkr", "knpkq", "knnkp", "knnkn", "knnkb", "knnkr",
    "knnkq", "kbpkp", "kbpkn", "kbpkb", "kbpkr", "kbpkq", "kbnkp", "kbnkn", "kbnkb", "kbnkr",
    "kbnkq", "kbbkp", "kbbkn", "kbbkb", "kbbkr", "kbbkq", "krpkp", "krpkn", "krpkb", "krpkr",
    "krpkq", "krnkp", "krnkn", "krnkb", "krnkr", "krnkq", "krbkp", "krbkn", "krbkb", "krbkr",
    "krbkq", "krrkp", "krrkn", "krrkb", "krrkr", "krrkq", "kqpkp", "kqpkn", "kqpkb", "kqpkr",
    "kqpkq", "kqnkp", "kqnkn", "kqnkb", "kqnkr", "kqnkq", "kqbkp", "kqbkn", "kqbkb", "kqbkr",
    "kqbkq", "kqrkp", "kqrkn", "kqrkb", "kqrkr", "kqrkq", "kqqkp", "kqqkn", "kqqkb", "kqqkr",
    "kqqkq", "kpppk", "knppk", "knnpk", "knnnk", "kbppk", "kbnpk", "kbnnk", "kbbpk", "kbbnk",
    "kbbbk", "krppk", "krnpk", "krnnk", "krbpk", "krbnk", "krbbk", "krrpk", "krrnk", "krrbk",
    "krrrk", "kqppk", "kqnpk", "kqnnk", "kqbpk", "kqbnk", "kqbbk", "kqrpk", "kqrnk", "kqrbk",
    "kqrrk", "kqqpk", "kqqnk", "kqqbk", "kqqrk", "kqqqk", "knnknn", "kbnknn", "kbbknn", "kbbkbn",
    "kbbkbb", "krnknn", "krnkbb", "krbknn", "krbkbb", "krrknn", "krrkbn", "krrkbb", "krrkrn", "krrkrb",
    "krrkrr", "kqnknn", "kqnkbb", "kqnkrr", "kqbknn", "kqbkbb", "kqbkrr", "kqrknn", "kqrkbb", "kqrkrr",
    "kqqknn", "kqqkbn", "kqqkbb", "kqqkrn", "kqqkrb", "kqqkrr", "kqqkqn", "kqqkqb", "kqqkqr", "kqqkqq",
    "kbnkbn", "krnkrn", "krbkrb", "kqnkqn", "kqbkqb", "kqrkqr", "krnkbn", "krbkbn", "krbkrn", "kqnkbn",
    "kqnkrn", "kqnkrb", "kqbkbn", "kqbkrn", "kqbkrb", "kqbkqn", "kqrkbn", "kqrkrn", "kqrkrb", "kqrkqn",
    "kqrkqb", "kppkpp", "knpkpp", "knpknp", "knnkpp", "knnknp", "kbpkpp", "kbpknp", "kbpknn", "kbpkbp",
    "kbnkpp", "kbnknp", "kbnkbp", "kbbkpp", "kbbknp", "kbbkbp", "krpkpp", "krpknp", "krpknn", "krpkbp",
    "krpkbn", "krpkbb", "krpkrp", "krnkpp", "krnknp", "krnkbp", "krnkrp", "krbkpp", "krbknp", "krbkbp",
    "krbkrp", "krrkpp", "krrknp", "krrkbp", "krrkrp", "kqpkpp", "kqpknp", "kqpknn", "kqpkbp", "kqpkbn",
    "kqpkbb", "kqpkrp", "kqpkrn", "kqpkrb", "kqpkrr", "kqpkqp", "kqnkpp", "kqnknp", "kqnkbp", "kqnkrp",
    "kqnkqp", "kqbkpp", "kqbknp", "kqbkbp", "kqbkrp", "kqbkqp", "kqrkpp", "kqrknp", "kqrkbp", "kqrkrp",
    "kqrkqp", "kqqkpp", "kqqknp", "kqqkbp", "kqqkrp", "kqqkqp", "knnnkn", "kbnnkn", "kbbnkn", "kbbbkn",
    "krnnkn", "krbbkn", "krrnkn", "krrbkn", "krrrkn", "kqnnkn", "kqbbkn", "kqrrkn", "kqqnkn", "kqqbkn",
    "kqqrkn", "kqqqkn", "knnnkb", "kbnnkb", "kbbnkb", "kbbbkb", "krnnkb", "krbbkb", "krrnkb", "krrbkb",
    "krrrkb", "kqnnkb", "kqbbkb", "kqrrkb", "kqqnkb", "kqqbkb", "kqqrkb", "kqqqkb", "knnnkr", "kbnnkr",
    "kbbnkr", "kbbbkr", "krnnkr", "krbbkr", "krrnkr", "krrbkr", "krrrkr", "kqnnkr", "kqbbkr", "kqrrkr",
    "kqqnkr", "kqqbkr", "kqqrkr", "kqqqkr", "knnnkq", "kbnnkq", "kbbnkq", "kbbbkq", "krnnkq", "krbbkq",
    "krrnkq", "krrbkq", "krrrkq", "kqnnkq", "kqbbkq", "kqrrkq", "kqqnkq", "kqqbkq", "kqqrkq", "kqqqkq",
    "krbnkn", "kqbnkn", "kqrnkn", "kqrbkn", "krbnkb", "kqbnkb", "kqrnkb", "kqrbkb", "krbnkr", "kqbnkr",
    "kqrnkr", "kqrbkr", "krbnkq", "kqbnkq", "kqrnkq", "kqrbkq", "kpppkp", "knppkp", "knnpkp", "knnnkp",
    "kbppkp", "kbnpkp", "kbnnkp", "kbbpkp", "kbbnkp", "kbbbkp", "krppkp", "krnpkp", "krnnkp", "krbpkp",
    "krbnkp", "krbbkp", "krrpkp", "krrnkp", "krrbkp", "krrrkp", "kqppkp", "kqnpkp", "kqnnkp", "kqbpkp",
    "kqbnkp", "kqbbkp", "kqrpkp", "kqrnkp", "kqrbkp", "kqrrkp", "kqqpkp", "kqqnkp", "kqqbkp", "kqqrkp",
    "kqqqkp", "kpppkn", "knppkn", "knnpkn", "kbppkn", "kbnpkn", "kbbpkn", "krppkn", "krnpkn", "krbpkn",
    "krrpkn", "kqppkn", "kqnpkn", "kqbpkn", "kqrpkn", "kqqpkn", "kpppkb", "knppkb", "knnpkb", "kbppkb",
    "kbnpkb", "kbbpkb", "krppkb", "krnpkb", "krbpkb", "krrpkb", "kqppkb", "kqnpkb", "kqbpkb", "kqrpkb",
    "kqqpkb", "kpppkr", "knppkr", "knnpkr", "kbppkr", "kbnpkr", "kbbpkr", "krppkr", "krnpkr", "krbpkr",
    "krrpkr", "kqppkr", "kqnpkr", "kqbpkr", "kqrpkr", "kqqpkr", "kpppkq", "knppkq", "knnpkq", "kbppkq",
    "kbnpkq", "kbbpkq", "krppkq", "krnpkq", "krbpkq", "krrpkq", "kqppkq", "kqnpkq", "kqbpkq", "kqrpkq",
    "kqqpkq",
};

constexpr const char* SYMMETRIC_NAMES[] = {
    "kk", "knkn", "kbkb", "krkr", "kqkq", "knnknn", "kbbkbb", "krrkrr", "kqqkqq", "kbnkbn",
    "krnkrn", "krbkrb", "kqnkqn", "kqbkqb", "kqrkqr", "kppkpp", "knpknp", "kbpkbp", "krpkrp", "kqpkqp",
};

constexpr const char* TWO_BYTE_NAMES[] = {
    "krnknn", "krnkbb", "krbknn", "kqnkrr", "krnkbn", "kppkpp", "knpkpp", "knnkpp", "knnknp", "kbpkpp",
    "kbpknp", "kbpknn", "kbnkpp", "kbnknp", "kbbknp", "krpkpp", "krpknp", "krpknn", "krpkbp", "krpkbn",
    "krpkbb", "krnkpp", "krnknp", "krnkbp", "krbkpp", "krbknp", "krrkpp", "krrknp", "kqpkpp", "kqpkrb",
    "kqpkrr", "kqpkqp", "kqnkpp", "kqnkqp", "kqbkqp", "kqrkqp", "kpppkp", "knppkp", "kbppkp", "kbnpkp",
    "kbbpkp", "krppkp", "krnpkp", "krbpkp", "krrpkp", "kqppkp", "kqnpkp", "kqbpkp", "kbppkr", "kbnpkr",
    "kbbpkr", "kpppkq", "knppkq", "kbppkq", "kbnpkq", "kbbpkq", "krppkq", "krnpkq", "krbpkq", "krrpkq",
    "kqppkq", "kqnpkq", "kqbpkq", "kqrpkq",
};

constexpr const char* SPLIT_NAMES[] = {
    "krnkbn", "krbkbn", "kqnkrn", "kqnkrb", "kqbkrn", "kqbkrb", "knpkpp", "knpknp", "knnknp", "kbpkpp",
    "kbpknp", "kbpknn", "kbpkbp", "kbnkpp", "kbnknp", "kbnkbp", "kbbknp", "kbbkbp", "krpkpp", "krpknp",
    "krpknn", "krpkbp", "krpkbn", "krpkbb", "krpkrp", "krnkpp", "krnknp", "krnkbp", "krnkrp", "krbkpp",
    "krbknp", "krbkbp", "krbkrp", "krrknp", "krrkbp", "krrkrp", "kqpkpp", "kqpknp", "kqpknn", "kqpkbp",
    "kqpkbn", "kqpkbb", "kqpkrp", "kqpkrn", "kqpkrb", "kqpkrr", "kqpkqp", "kqnkpp", "kqnknp", "kqnkbp",
    "kqnkrp", "kqnkqp", "kqbkpp", "kqbknp", "kqbkbp", "kqbkrp", "kqbkqp", "kqrkpp", "kqrknp", "kqrkbp",
    "kqrkrp", "kqrkqp", "kqqknp", "kqqkbp", "kqqkrp", "kqqkqp", "kqbnkq", "knppkp", "knnpkp", "kbppkp",
    "kbnpkp", "kbnnkp", "kbbpkp", "kbbnkp", "krppkp", "krnpkp", "krnnkp", "krbpkp", "krbnkp", "krbbkp",
    "krrpkp", "krrnkp", "krrbkp", "kqppkp", "kqnpkp", "kqnnkp", "kqbpkp", "kqbnkp", "kqbbkp", "kqrpkp",
    "kqrnkp", "kqrbkp", "kqrrkp", "kqqpkp", "kqqnkp", "kqqbkp", "kqqrkp", "knppkn", "knnpkn", "kbppkn",
    "kbnpkn", "kbbpkn", "krppkn", "krnpkn", "krbpkn", "krrpkn", "kqppkn", "kqnpkn", "kqbpkn", "kqrpkn",
    "kqqpkn", "knppkb", "knnpkb", "kbppkb", "kbnpkb", "kbbpkb", "krppkb", "krnpkb", "krbpkb", "krrpkb",
    "kqppkb", "kqnpkb", "kqbpkb", "kqrpkb", "kqqpkb", "knppkr", "knnpkr", "kbppkr", "kbnpkr", "kbbpkr",
    "krppkr", "krnpkr", "krbpkr", "krrpkr", "kqppkr", "kqnpkr", "kqbpkr", "kqrpkr", "kqqpkr", "knppkq",
    "knnpkq", "kbppkq", "kbnpkq", "kbbpkq", "krppkq", "krnpkq", "krbpkq", "krrpkq", "kqppkq", "kqnpkq",
    "kqbpkq", "kqrpkq", "kqqpkq",
};

constexpr bool same_name(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

template <size_t N>
constexpr bool listed(const char* const (&list)[N], const char* name) {
    for (const char* entry : list)
        if (same_name(entry, name)) return true;
    return false;
}

template <size_t N>
constexpr bool all_named(const char* const (&list)[N]) {
    for (const char* entry : list)
        if (!listed(RECORD_NAMES, entry)) return false;
    return true;
}
static_assert(all_named(SYMMETRIC_NAMES) && all_named(TWO_BYTE_NAMES) && all_named(SPLIT_NAMES),
              "every flagged material must be one of the records");

constexpr std::array<TbDescriptor, TB_RECORD_COUNT> build_descriptors() {
    std::array<TbDescriptor, TB_RECORD_COUNT> table{};
    for (int r = 0; r < TB_RECORD_COUNT; ++r) {
        TbDescriptor& d = table[size_t(r)];
        const char* name = RECORD_NAMES[r];
        d.number = r;
        d.flags = (listed(SYMMETRIC_NAMES, name) ? TB_SYMMETRIC : 0) | (listed(TWO_BYTE_NAMES, name) ? TB_TWO_BYTE : 0) |
                  (listed(SPLIT_NAMES, name) ? TB_SPLIT : 0);
        for (int i = 0; name[i] != '\0'; ++i) d.name[i] = name[i];
        for (const TbLengthRow& row : TB_LENGTH_ROWS)
            if (same_name(row.name, name)) {
                d.length[0] = row.side0;
                d.length[1] = row.side1;
            }
        d.index[0] = d.index[1] = nullptr;
    }
    return table;
}

}  // namespace

constinit std::array<TbDescriptor, TB_RECORD_COUNT> tb_descriptors = build_descriptors();

int tb_part_count(const TbDescriptor& d, int side) {
    if (!(d.flags & TB_SPLIT)) return 1;
    const uint64_t parts = ((d.length[side] * uint64_t(tb_entry_width(d))) >> 31) + 1;
    return parts < uint64_t(TB_MAX_PARTS) ? int(parts) : TB_MAX_PARTS;
}

int tb_find_record(const char* name) {
    for (const TbDescriptor& d : tb_descriptors)
        if (std::strcmp(d.name, name) == 0) return d.number;
    return 0;
}
