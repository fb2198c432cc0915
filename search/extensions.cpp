#include "search/extensions.h"

#include <algorithm>

#include "config/settings.h"
#include "position/attack_units.h"
#include "position/position.h"
#include "search/search_constants.h"

namespace {

// Distance to promotion (1..4) of a pawn of `mover` that just arrived on
// `to`, when no enemy pawn stands ahead of it on its own or a neighbouring
// file; 0 otherwise (also for any other piece).
int passed_pawn_distance(const Position* pos, int to, int mover) {
    if (pos->kind[to] != PAWN) return 0;
    int rank = rank_of(to);
    int distance = mover == WHITE ? 7 - rank : rank;
    if (distance < 1 || distance > 4) return 0;
    const uint8_t* files = pawn_files(pos, mover ^ 1);
    int file = file_of(to);
    uint8_t ahead = mover == WHITE ? uint8_t(0xFF << (rank + 1)) : uint8_t((1 << rank) - 1);
    if ((files[file - 1] | files[file] | files[file + 1]) & ahead) return 0;
    return distance;
}

// The class of the move just made: 3 at principal-variation nodes, 2 for a
// principal candidate, 1 for a discovered or double check or a move whose
// new threats are worth what it risks, else 0. Written to the child's class
// byte; a discovered check also sets its flag.
int classify_move(Position* pos, PlyRecord* child, int node_kind) {
    int cls = 0;
    if (node_kind == 0) {
        cls = MOVE_CLASS_PV;
    } else if (child->flags & PLY_PV_CANDIDATE) {
        cls = MOVE_CLASS_CANDIDATE;
    } else {
        int to = move_to(child->move);
        if (child->flags & PLY_IN_CHECK) {
            // The mover's table is the other side's now.
            uint32_t checkers = opp_attacks(pos)[king_square(pos, pos->side)].direct & ATTACK_SLOT_MASK;
            if (checkers & ~pos->slot_bit[to]) {
                child->flags |= PLY_DISCOVERED_CHECK;
                cls = MOVE_CLASS_FORCING;
            }
        }
        // A threat value of 0 is no threat: without this test every quiet
        // move onto a safe square would count as forcing.
        if (cls == 0 && pos->threat_gain > 0 && pos->threat_gain >= pos->hanging[to]) cls = MOVE_CLASS_FORCING;
    }
    child->move_class = uint8_t(cls);
    return cls;
}

// What the move gains: the other side's new hanging material and pending
// threat, less the mover's own new exposure. At zero-window nodes an
// ordinary move also pays for the threats its side already faces.
int move_gain_value(const Position* pos, const PlyRecord* child, int cls, int node_kind) {
    int mover = pos->side ^ 1;
    int gain = child->opp_hanging_delta + pos->threat_gain - child->own_hanging_delta;
    if (node_kind != 0 && cls <= MOVE_CLASS_FORCING && !(child->flags & PLY_DISCOVERED_CHECK))
        gain -= pos->threat_first[mover] + pos->threat_second[mover];
    return gain;
}

// Sets the passed-pawn flags of the child; returns the distance (0 when the
// move pushed no passed pawn that counts).
int mark_passed_pawn(const Position* pos, PlyRecord* child, int cls) {
    int to = move_to(child->move);
    int distance = passed_pawn_distance(pos, to, pos->side ^ 1);
    if (distance == 0 || (cls == 0 && pos->hanging[to] != 0)) return 0;
    child->flags |= PLY_PASSED_PAWN;
    if (distance <= 2) child->flags |= PLY_PASSED_NEAR;
    if (distance == 1) child->flags |= PLY_PASSED_LAST;
    return distance;
}

}  // namespace

int classify_move_extensions(Position* pos, int alpha, int* half_ply_acc, int node_kind) {
    PlyRecord* child = current_ply_record(pos);
    const PlyRecord* parent = child - 1;
    const int cls = classify_move(pos, child, node_kind);
    int gain = move_gain_value(pos, child, cls, node_kind);
    const int margin1 = child->opp_hanging_delta;
    const int margin2 = child->own_hanging_delta;
    const bool combinations = (search_flags & EF_COMBINATIONS) != 0;
    const int threat_after_threat = combinations ? EXT_THREAT_AFTER_THREAT : EXT_THREAT_AFTER_THREAT_QUIET;

    // Threat extension.
    int amount = 0;
    if (pos->threat_gain != 0) {
        if (cls == MOVE_CLASS_PV) amount = PENDING_THREAT_EXTENSION;
    } else if (cls > 0 && gain > 0) {
        if (cls == MOVE_CLASS_PV) {
            if (margin1 > 0) child->flags |= PLY_THREAT_MADE;
            if (margin2 < 0) {
                child->flags |= PLY_THREAT_EXPOSED;
                if (parent->flags & PLY_THREAT_MADE) amount = EXTENSION_AMOUNTS[threat_after_threat][cls];
            }
        } else if (cls == MOVE_CLASS_CANDIDATE) {
            const int parent_eval = parent->eval;
            if (alpha < gain + parent_eval) {
                if (margin1 > 0 && alpha < parent_eval + pos->hanging_sum[pos->side] && alpha < margin1 + parent_eval)
                    child->flags |= PLY_THREAT_MADE;
                if (margin2 < 0 && alpha < parent_eval - margin2) {
                    child->flags |= PLY_THREAT_EXPOSED;
                    if (parent->flags & PLY_THREAT_MADE) amount = EXTENSION_AMOUNTS[threat_after_threat][cls];
                }
            }
        }
    }

    // Passed pawn.
    if (int distance = mark_passed_pawn(pos, child, cls)) {
        gain += PASSED_PAWN_GAIN[distance];
        amount += EXTENSION_AMOUNTS[distance > 2 ? EXT_PASSED_FAR : EXT_PASSED_NEAR][cls];
    }

    if (child->flags & PLY_SINGLE_REPLY) amount += EXTENSION_AMOUNTS[EXT_SINGLE_REPLY][cls];
    if (child->flags & PLY_IN_CHECK) amount += EXTENSION_AMOUNTS[EXT_CHECK][cls];
    if (parent->flags & PLY_CONNECTED_THREAT)
        amount += EXTENSION_AMOUNTS[EXT_CONNECTED_THREAT][cls];
    else if (parent->flags & PLY_NEW_THREAT)
        amount += EXTENSION_AMOUNTS[EXT_NEW_THREAT][cls];

    // Recapture.
    const Move move = child->move;
    if ((move & 0x4000) && (parent->move & MOVE_TACTICAL_MASK)) {
        const int parent_cls = parent->move_class;
        const bool same_square = move_to(move) == move_to(parent->move);
        const int parent_eval = parent->eval;
        if (node_kind == 0 || (cls > 1 && parent_cls > 1) ||
            (cls > 0 && parent_cls > 0 && same_square && parent_eval < alpha &&
             alpha < parent_eval + pos->threat_gain)) {
            child->flags |= PLY_RECAPTURE;
            amount += EXTENSION_AMOUNTS[EXT_RECAPTURE][cls];
        }
    }

    pos->gain_value = gain;
    *half_ply_acc += std::min(amount, MAX_EXTENSION_HALF_PLIES);
    if (*half_ply_acc >= 2) {
        *half_ply_acc -= 2;
        return 1;
    }
    return 0;
}

void classify_root_move_extensions(Position* pos, int* half_ply, int not_first) {
    PlyRecord* child = current_ply_record(pos);
    const int node_kind = not_first ? -1 : 0;
    const int cls = classify_move(pos, child, node_kind);
    int gain = move_gain_value(pos, child, cls, node_kind);
    int extension = 0;
    if (!not_first && (child->captured != 0 || move_kind(child->move) == MK_EN_PASSANT)) extension = 1;
    if (int distance = mark_passed_pawn(pos, child, cls)) {
        gain += PASSED_PAWN_GAIN[distance];
        if (!not_first) extension += 1;
    }
    if (child->flags & PLY_IN_CHECK) extension += 1;
    pos->gain_value = gain;
    *half_ply = extension >= 1 ? 1 : 0;
}
