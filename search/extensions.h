// Extensions: how much deeper a move is searched, decided in half plies
// right after the move is made (the child's PlyRecord is current). The
// decision also classifies the move and leaves its gain value in the
// Position for the reduction rules.
#pragma once

struct Position;

// Returns 1 when the child is searched one ply deeper, else 0. *half_ply_acc
// carries the node's half ply in and the half ply left for the child out.
int classify_move_extensions(Position* pos, int alpha, int* half_ply_acc, int node_kind);

// The root's variant: one half ply for a check, and for the first root move
// also for a capture or a passed pawn near promotion. *half_ply gets 0 or 1.
void classify_root_move_extensions(Position* pos, int* half_ply, int not_first);
