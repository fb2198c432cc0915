// The entry counts of the tables whose lengths are fixed so far: each row
// gives a material's side-0 and side-1 table lengths. The others are 0
// (unknown), which the file checks and the probe treat as "no limit".
#pragma once

#include <cstdint>

struct TbLengthRow {
    const char* name;
    uint64_t side0;
    uint64_t side1;
};

inline constexpr TbLengthRow TB_LENGTH_ROWS[] = {
    {"kpk", 81664, 84012},
    {"knk", 26282, 28644},
    {"kqk", 25629, 28644},
    {"kpkp", 3863492, 3863492},
    {"kppkp", 84219361, 89391280},
    {"knnknn", 1301488080, 1301488080},
    {"krbknp", 17652988800ull, 16455976740ull},
    {"kqpkqp", 12651597608ull, 12651597608ull},
    {"kbnkbn", 5489194800ull, 5489194800ull},
};
