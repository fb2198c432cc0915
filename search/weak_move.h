// The weak-move choice of the strength limit: at ratings up to 1500 the best
// root move may give way, after the search, to a weaker one picked the way a
// weak player errs. Captures are seen by how far the capturing man travels,
// a refutation in the move's line may be overlooked, and moves that save the
// man just attacked or step onto a guarded square come to mind first.
#pragma once

#include <cstdint>

struct Position;
struct RootMove;

// Where the choice takes its random seed from: the calendar time in seconds;
// tests fix it.
using WeakMoveSeedSource = uint32_t (*)();
extern WeakMoveSeedSource weak_move_seed_source;

// The base weight of the choice at rating `elo` (the larger, the weaker the
// play), `elapsed_ms` into the search; a long search weakens it. An opponent
// without pieces (pawns and king only) halves the rating's distance to 1550.
int weak_move_weight(int elo, bool opponent_has_pieces, uint32_t elapsed_ms);

// The search that just ended may play a weaker move: the limit is on at a
// rating up to 1500, it was a normal search with the clock, and its root was
// neither decided before the search nor answered from the book.
bool weak_move_allowed();

// The index of the root move to play in place of moves[0] (0 keeps it).
// `moves` are in the driver's final order, best first; `pos` is the root
// position with the game history behind it. Reseeds the engine's random
// numbers with `seed` and draws from them.
int choose_weak_move(const RootMove* moves, int count, const Position* pos, uint32_t seed, uint32_t elapsed_ms);

// After the iterations: when allowed, the chosen weaker move takes the first
// place of the root list and its line is printed at `depth`. True when the
// best move was replaced.
bool play_weak_move(int depth);
