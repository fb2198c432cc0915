// The specialised endgame terms that the material table's endgame codes hand
// a position to. Each gets the stronger side (the side with more material)
// and may write a scale (eighths of the final score) and a result kind
// (KIND_DRAWN, KIND_WON, KIND_LOST of eval/evaluate.h) through its pointers.
#pragma once

struct AttackRecord;
struct Position;

// Codes 1 and 17: a bishop and pawns against pawns or nothing. Rook pawns
// with the bishop of the wrong colour: scales down, or a draw when the
// defending king holds the corner. Returns 0.
int eval_bishop_pawns_ending(Position* pos, int strong, int side_to_move, int* scale, int* kind);
// Codes 16 and 17: bare king against pieces; value for the side to move,
// added to the material score.
int eval_bare_king_ending(Position* pos, int strong, int side_to_move);
// Code 5: minor against minor and pawn; may set scale to 0 (a blockade).
// Returns 0.
int eval_blocked_pawns(Position* pos, int strong, int* scale);
// Code 3: rook against rook and pawn; value for the side with the pawn.
int eval_rook_pawn_vs_rook(Position* pos, int side_to_move, int* scale);
// Code 2: king and pawn against king and queen; value for the queen's side.
int eval_pawn_promotion_race(Position* pos, int side_to_move, int strong, int* kind);
// Code 18: kings and pawns; the score for the side to move (m included).
int eval_pawn_endgame(Position* pos, int side_to_move, int m, int strong, int weak, int* kind);
// Code 19: king and pawn against king; the score for the side to move.
int eval_king_pawn_vs_king(Position* pos, int strong, int* kind, const AttackRecord* strong_table);

// Whether side c's king wins the fight for square q against the other king
// (1: it gets there first or already attacks it), with c `tempo` moves
// ahead (1 when c is to move). Each case decided by the close-distance
// geometry adds 1 to *counter.
int pawn_race_test(const Position* pos, int c, int q, int tempo, int* counter);
