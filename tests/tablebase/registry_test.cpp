#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "tablebase/descriptor.h"
#include "tablebase/registry.h"

namespace {

int count_flag(uint32_t flag) {
    return int(std::count_if(tb_descriptors.begin(), tb_descriptors.end(),
                             [flag](const TbDescriptor& d) { return (d.flags & flag) != 0; }));
}

TEST(TablebaseRegistry, DescriptorTable) {
    std::set<std::string> names;
    for (const TbDescriptor& d : tb_descriptors) {
        EXPECT_EQ(d.number, int(&d - tb_descriptors.data()));
        names.insert(d.name);
    }
    EXPECT_EQ(names.size(), size_t(TB_RECORD_COUNT));
    EXPECT_EQ(count_flag(TB_SYMMETRIC), 20);
    EXPECT_EQ(count_flag(TB_TWO_BYTE), 64);
    EXPECT_EQ(count_flag(TB_SPLIT), 153);
    const std::pair<const char*, int> places[] = {{"kk", 0},       {"kpk", 1},      {"kqk", 5},      {"kpkp", 6},
                                                  {"krkr", 15},    {"kqkr", 19},    {"kppkp", 36},   {"kqqqk", 145},
                                                  {"knnknn", 146}, {"kqqpkq", 440}, {"kbnkbn", 180}};
    for (const auto& [name, number] : places) EXPECT_STREQ(tb_descriptors[size_t(number)].name, name);
    EXPECT_EQ(tb_find_record("kqkr"), 19);
    EXPECT_EQ(tb_find_record("kqkk"), 0);
    EXPECT_EQ(tb_descriptors[15].flags, TB_SYMMETRIC);
    EXPECT_EQ(tb_descriptors[6].flags, 0u);  // kpkp: two tables although both sides have a pawn
    EXPECT_EQ(tb_descriptors[size_t(tb_find_record("kqpkqp"))].flags, TB_SYMMETRIC | TB_TWO_BYTE | TB_SPLIT);
    EXPECT_EQ(tb_descriptors[5].length[0], 25629u);
    EXPECT_EQ(tb_descriptors[5].length[1], 28644u);
}

// The name of a material by the naming rule: men strongest first within a
// side; the side with more men first, or with as many the one whose men are
// stronger compared man by man.
std::string material_name(std::string a, std::string b) {
    const std::string order = "qrbnp";
    auto by_strength = [&](char x, char y) { return order.find(x) < order.find(y); };
    std::sort(a.begin(), a.end(), by_strength);
    std::sort(b.begin(), b.end(), by_strength);
    bool a_first = a.size() != b.size() ? a.size() > b.size() : true;
    if (a.size() == b.size())
        for (size_t i = 0; i < a.size(); ++i)
            if (a[i] != b[i]) {
                a_first = by_strength(a[i], b[i]);
                break;
            }
    return a_first ? "k" + a + "k" + b : "k" + b + "k" + a;
}

TEST(TablebaseRegistry, EveryMaterialUpToSixMenButFourAgainstNone) {
    // All sides of up to four men, then every pairing with at most four men
    // besides the kings.
    const std::string letters = "pnbrq";
    std::vector<std::string> sides = {""};
    for (size_t i = 0; i < sides.size(); ++i)
        if (sides[i].size() < 4)
            for (char c : letters)
                if (sides[i].empty() || letters.find(c) >= letters.find(sides[i].back())) sides.push_back(sides[i] + c);
    std::set<std::string> expected;
    for (const std::string& a : sides)
        for (const std::string& b : sides)
            if (a.size() + b.size() <= 4 && !(a.size() == 4 || b.size() == 4)) expected.insert(material_name(a, b));
    std::set<std::string> listed;
    for (const TbDescriptor& d : tb_descriptors) listed.insert(d.name);
    EXPECT_EQ(listed, expected);
}

TEST(TablebaseRegistry, NameParsing) {
    int counts[TB_COUNTS];
    tb_parse_name(counts, "kqrrkbp");
    EXPECT_EQ(std::vector<int>(counts, counts + TB_COUNTS), (std::vector<int>{0, 0, 0, 2, 1, 1, 0, 1, 0, 0}));
    tb_parse_name(counts, "kxnk");  // any other letter counts as a pawn
    EXPECT_EQ(std::vector<int>(counts, counts + TB_COUNTS), (std::vector<int>{1, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    int five[5];
    const char* text = "nnbkq";
    EXPECT_EQ(tb_count_pieces(five, text), text + 3);
}

std::vector<int> counts_of(const char* white, const char* black) {
    std::vector<int> counts(TB_COUNTS);
    tb_count_pieces(counts.data(), white);
    tb_count_pieces(counts.data() + 5, black);
    return counts;
}

TEST(TablebaseRegistry, TrieFindsBothColourings) {
    for (const char* name : {"kqkr", "krkr", "kpkp", "kqqqk", "kbnkbn"}) tb_register(tb_descriptors[size_t(tb_find_record(name))]);
    struct Case {
        const char* white;
        const char* black;
        int expected;
    };
    const Case cases[] = {
        {"q", "r", 19},
        {"r", "q", -19},
        {"r", "r", 15},       // symmetric: entered once
        {"p", "p", -6},       // kpkp is not flagged symmetric: its second entry overwrites the first
        {"qqq", "", 145},
        {"", "qqq", -145},
        {"bn", "bn", 180},
        {"qq", "qq", 0},      // not registered (by any test)
        {"pppp", "p", 0},     // five men besides the kings: no leaf
        {"", "", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(tb_trie_lookup(counts_of(c.white, c.black).data()), c.expected) << c.white << "/" << c.black;
    const std::vector<int> too_many = counts_of("qqqq", "q");
    EXPECT_EQ(tb_trie_insert(7, too_many.data()), 0);
}

TEST(TablebaseRegistry, PartCounts) {
    const std::pair<const char*, std::pair<int, int>> cases[] = {
        {"kqk", {1, 1}},          // not split
        {"krbknp", {17, 16}},     // two-byte: 17652988800 and 16455976740 entries, the most parts
        {"kqpkqp", {12, 12}},     // two-byte: 12651597608 entries of 2 bytes
        {"knpknp", {7, 7}},       // one-byte split: 12972508017 entries
    };
    for (const auto& [name, parts] : cases) {
        const TbDescriptor& d = tb_descriptors[size_t(tb_find_record(name))];
        EXPECT_EQ(tb_part_count(d, 0), parts.first) << name;
        EXPECT_EQ(tb_part_count(d, 1), parts.second) << name;
    }
}

}  // namespace
