#include "uci/autosave_game.h"

#include "book/book.h"
#include "book/pgn.h"
#include "config/build_config.h"
#include "config/settings.h"
#include "eval/tablebase_probe.h"
#include "game/game_history.h"
#include "platform/system.h"
#include "search/hash_memory.h"
#include "search/strength.h"
#include "search/time_control.h"
#include "uci/fen.h"
#include "uci/move_text.h"

namespace {

constexpr uint16_t ENGINE_MOVE = 0x10;
constexpr uint16_t MATE_KIND = 0x500;
constexpr uint16_t KIND_MASK = 0xF00;
constexpr size_t LINE_WIDTH = 60;

const char* const RESULT_TEXTS[] = {"*", "1/2-1/2", "1-0", "0-1"};
const char* const BOOK_MODE_TEXTS[] = {"None", "Wild", "Surprise", "Dynamic", "Tournament"};
const char* const PLAYING_STYLE_TEXTS[] = {"Active", "Aggressive", "Solid", "Active"};

const char* on_off(bool on) { return on ? "on" : "off"; }
bool search_flag(uint32_t bit) { return (search_flags & bit) != 0; }

void write_tags(std::FILE* file, int side, int result) {
    const LocalTime today = local_time();
    std::fprintf(file, "[Event \"%s\"]\n", "Q14 Auto Save");
    std::fprintf(file, "[Site \"\"]\n");
    std::fprintf(file, "[Date \"%04d.%02d.%02d\"]\n", today.year, today.month, today.day);
    std::fprintf(file, "[Round \"%d\"]\n", round_counter);
    if (side == 1) {
        std::fprintf(file, "[White \"Player\"]\n[Black \"%s\"]\n", ENGINE_NAME);
        if (node_rate_limit != 0) std::fprintf(file, "[BlackElo \"%d\"]\n", uci_elo);
    } else {
        std::fprintf(file, "[White \"%s\"]\n[Black \"Player\"]\n", ENGINE_NAME);
        if (node_rate_limit != 0) std::fprintf(file, "[WhiteElo \"%d\"]\n", uci_elo);
    }
    std::fprintf(file, "[Result \"%s\"]\n", RESULT_TEXTS[result & 3]);
    // A compacted history no longer holds the game's first moves: the game
    // is saved from the first position it still holds.
    const std::string fen = compacted_plies > 0 ? fen_text(compacted_start) : fen_tag_text;
    if (!fen.empty()) std::fprintf(file, "[SetUp \"1\"]\n[FEN \"%s\"]\n", fen.c_str());
}

void write_settings(std::FILE* file) {
    std::fprintf(file, "{CT=%d/%s/%d%% Hash=%ldMb, Retain=%s, PosLrn=%s Tbs=%d/%dMb/d=%d draw=%d mpv=%d\n",
                 threads_in_use, on_off(search_flag(EF_BUSY_THREADS)), idle_percent, long(hash_size_kb / 1024),
                 on_off(search_flag(EF_RETAIN_HASH)), on_off(search_flag(EF_POSITION_LEARNING)), tb_max_pieces,
                 nalimov_cache_bytes >> 20, tablebase_level, -draw_value, multi_pv);
    std::fprintf(file, "tbs path=<%s>\n", pgn_comment_text(nalimov_path).c_str());
    const int mode = int((book_options & BO_BOOK_MODE) >> BO_BOOK_MODE_SHIFT);
    std::fprintf(file, "%s Book=%s/%s Pos=%ld BkLrn=%s %d Elo=%s/%d/%d\n", pgn_comment_text(book_file_name).c_str(),
                 on_off(book_options & BO_OWN_BOOK), BOOK_MODE_TEXTS[mode <= 4 ? mode : 0], book_record_count,
                 on_off(search_flag(EF_BOOK_LEARNING)), 128, on_off(search_flag(EF_LIMIT_STRENGTH)), uci_elo,
                 uci_elo_max);
    std::fprintf(file, "L=%s Sel=%ld Os=%s fp=%d comb=%s %s HM=%s swdl=%s}\n", on_off(search_flag(EF_GUI_TIME_LAG)),
                 long((search_flags & EF_SELECTIVITY) >> EF_SELECTIVITY_SHIFT),
                 on_off(search_flag(EF_OPTIMISTIC_SEARCH)), selectivity_scale / 16,
                 on_off(search_flag(EF_COMBINATIONS)),
                 PLAYING_STYLE_TEXTS[(search_flags & EF_PLAYING_STYLE) >> EF_PLAYING_STYLE_SHIFT],
                 on_off(search_flag(EF_HYPER_MODERN)), on_off(search_flag(EF_SWINDLE)));
}

// "{12", "{3:05" or "{1:02:03": the time a move took.
std::string clock_text(int32_t ms) {
    const long seconds = ms > 0 ? long(ms / 1000) : 0;
    char text[32];
    if (seconds < 60)
        std::snprintf(text, sizeof(text), "{%ld", seconds);
    else if (seconds < 3600)
        std::snprintf(text, sizeof(text), "{%ld:%02ld", seconds / 60, seconds % 60);
    else
        std::snprintf(text, sizeof(text), "{%01ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return text;
}

// The move's algebraic text; a mating move ends in '#'.
std::string move_text(const GameRecord& record) {
    std::string text = move_to_san(record.move, (record.san_depth & 0x1F) | SAN_NO_PADDING | SAN_ALGEBRAIC);
    bool mate = (record.result_flags & KIND_MASK) == MATE_KIND || (record.ply_flags & KIND_MASK) == MATE_KIND;
    if (mate) {
        if (!text.empty() && text.back() == '+') text.pop_back();
        text += '#';
    }
    return text;
}

}  // namespace

std::string pgn_score_text(int v, int depth) {
    char text[48];
    if (v == 7800 || v == -7800) {
        std::snprintf(text, sizeof(text), " MATE N/%d} ", depth);
    } else if (v > 7800) {
        std::snprintf(text, sizeof(text), " +M%d/%d} ", (8193 - v) / 2, depth);
    } else if (v < -7800) {
        std::snprintf(text, sizeof(text), " -M%d/%d} ", (v + 8192) / 2, depth);
    } else {
        const int k = v * 100 / 128;
        const int l = v * 100 / 12800;
        if (k < 0)
            std::snprintf(text, sizeof(text), " -%d.%02d/%d} ", -l, l * 100 - k, depth);
        else
            std::snprintf(text, sizeof(text), " %d.%02d/%d} ", l, k - l * 100, depth);
    }
    return text;
}

int write_autosave_game(std::FILE* file, int side, int result) {
    write_tags(file, side, result);
    write_settings(file);

    std::string line;
    bool first = true;
    const int last = game_ply < GAME_RECORD_COUNT ? game_ply : GAME_RECORD_COUNT - 1;
    for (int i = 2; i <= last; ++i) {
        const GameRecord& record = game_records[i];
        const PlyClock* clock = get_ply_clock(i);
        const int p = i + ply_base + compacted_plies;
        char number[24] = "";
        if (p % 2 == 0)
            std::snprintf(number, sizeof(number), "%d.", p / 2);
        else if (first)
            std::snprintf(number, sizeof(number), "%d...", p / 2);
        first = false;
        line += number;
        line += move_text(record);
        line += ' ';
        line += clock_text(clock->move_ms);
        if (record.result_flags & ENGINE_MOVE) {
            const int v = (record.mover & 1) ? -record.score : record.score;
            line += pgn_score_text(v, record.san_depth >> 10);
        } else {
            line += "} ";
        }
        if (line.size() > LINE_WIDTH) {
            std::fprintf(file, "%s\n", line.c_str());
            line.clear();
        }
    }
    std::fprintf(file, "%s ", line.c_str());
    std::fprintf(file, "%s\n\n", RESULT_TEXTS[result & 3]);
    return 1;
}
