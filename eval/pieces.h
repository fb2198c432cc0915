// Piece placement: knights (king proximity, outposts), bishops (pawn colour,
// outposts, their diagonals), rooks (files, ranks, mobility) and queens.
#pragma once

struct Position;

// White's view. Reads the pawn-colour bytes of the pawn-structure term, so it
// runs after it.
int eval_pieces(Position* pos);

// The diagonals of side's bishop on `square`: free squares and directions,
// enemy pawns met, own pawns in the way, men x-rayed through own pieces, and
// a bishop shut in on its forward side. A score for that side.
int eval_bishop_rays(Position* pos, int square, int side);
