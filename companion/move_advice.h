// Move advice of morvax-tx: after a search, one "info" line per root move
// with a merit grade for an interface's analysis pane. The human-games
// book's moves come first (merits 6-8, by play class), then the searched
// moves graded 0-5 against the best score.
#pragma once

#include <cstdint>

struct RootMove;

// Puts the move-advice search into the dispatcher ("go ... mvinfo-advice n")
// and its additions into the root of the search.
void install_move_advice();

// The move-advice search: `time_ms` milliseconds on the game position for
// `side`. It prints the advice lines and nothing else (no principal
// variation, no "bestmove"), reads no input while it runs, plays no move and
// leaves every setting as it found it.
int think_tx(int time_ms, int side);

// Orders entries by score + 16384 x second value, highest first (book moves
// first, higher play class first): a selection sort that swaps the highest
// entry into place, so entries of equal keys need not keep their order. The
// entry `leader` (the search's best move; -1 none) comes before every other
// searched move whatever the scores.
void sort_advice_moves(RootMove* list, int count, int leader = -1);

// What the searched moves are graded against.
struct AdviceReference {
    int best;            // the search's best score
    int second;          // the highest score below it among the graded entries
    int margin;          // how far above `second` a best move stands out
    int first_depth;     // depth of the first entry in advice order
    bool opponent_short; // the side not to move has a piece weight below 7
    int evaluation;      // static evaluation of the root
};

// The reference values from the first `count` entries in advice order.
AdviceReference advice_reference(const RootMove* list, int count, int best_score, int evaluation,
                                 bool opponent_short);
// Merit 6-8 of a book move by its play class.
int book_move_merit(int play_class);
// Merit 0-5 of a searched move with this score and depth.
int searched_move_merit(const AdviceReference& reference, int score, int depth);

// Prints the advice lines of the root moves after a search, graded against
// the search's best score. The first searched move shown is the search's
// best, the move it plays. Works on a copy of the root list: the search's
// own order is left alone.
void print_move_advice();
