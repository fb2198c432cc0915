#include "companion/tx_commands.h"

#include <string>

#include "companion/book_moves.h"
#include "companion/human_book.h"
#include "companion/tb_queries.h"
#include "config/settings.h"
#include "platform/print.h"
#include "position/movegen.h"
#include "position/position.h"
#include "search/driver.h"
#include "uci/command_words.h"
#include "uci/dispatch.h"
#include "uci/fen.h"

namespace {

// Sets the main position from "fen <text>"; false, with the error lines
// printed, when there is none or it can't be read.
bool read_query_position(const char* cursor) {
    if (!match_keyword("fen", &cursor)) {
        uci_print("Error: No FEN position\n");
        uci_print("isready\n");
        return false;
    }
    if (!parse_fen(skip_separators(cursor))) {
        uci_print("Error: Invalid FEN format\n");
        uci_print("isready\n");
        return false;
    }
    return true;
}

void print_query_answer(const std::string& text) {
    uci_print("%s\n", text.c_str());
    uci_print("isready\n");
}

void answer_book_moves() {
    Position* pos = &main_position;
    MoveEntry* list = move_list_start(pos, 0);
    const bool in_check = (current_ply_record(pos)->flags & PLY_IN_CHECK) != 0;
    const int count = in_check ? gen_evasions(pos, nullptr, 0, 0, list) : gen_moves(pos, 0, 0, list);
    print_book_moves(pos->side, book_options, list, list + count);
    uci_print("isready\n");
}

void load_book_command(const char* cursor) {
    std::string name(skip_separators(cursor));
    while (!name.empty() && (name.back() == '\r' || name.back() == '\n')) name.pop_back();
    load_human_book(name.c_str());
}

}  // namespace

void install_tx_commands() {
    companion_early_commands = dispatch_query_command;
    companion_late_commands = dispatch_late_tx_command;
}

int dispatch_query_command(const char* cursor) {
    // The queries set the main position: they wait until no search uses it.
    static constexpr const char* QUERY_WORDS[] = {"tbsall", "tbsmoves", "tbsline", "bookmoves", "loadbook"};
    if (search_running()) {
        for (const char* word : QUERY_WORDS) {
            const char* probe = cursor;
            if (match_keyword(word, &probe)) return COMMAND_BUSY;
        }
        return COMMAND_UNKNOWN;
    }
    std::string answer;
    if (match_keyword("tbsall", &cursor)) {
        if (read_query_position(cursor)) {
            tb_query_all(&answer);
            print_query_answer(answer);
        }
    } else if (match_keyword("tbsmoves", &cursor)) {
        if (read_query_position(cursor)) {
            tb_query_moves(&answer);
            print_query_answer(answer);
        }
    } else if (match_keyword("tbsline", &cursor)) {
        if (read_query_position(cursor)) {
            tb_query_line(main_position.side, 1, &answer);
            print_query_answer(answer);
        }
    } else if (match_keyword("bookmoves", &cursor)) {
        if (read_query_position(cursor)) answer_book_moves();
    } else if (match_keyword("loadbook", &cursor)) {
        load_book_command(cursor);
    } else {
        return COMMAND_UNKNOWN;
    }
    return COMMAND_HANDLED;
}

int dispatch_late_tx_command(const char* cursor) {
    if (match_keyword("mvinfo1", &cursor)) {
        book_options |= BO_QUERY_MODE;
        search_book_options |= BO_QUERY_MODE;
        uci_print("mvinfo1 set\n");
        return COMMAND_HANDLED;
    }
    return COMMAND_UNKNOWN;
}
