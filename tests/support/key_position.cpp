#include "key_position.h"

#include "position/position.h"

Position* key_position(uint32_t key_hi, uint32_t key_lo, int side) {
    static Position holder;
    holder.key_hi = key_hi;
    holder.key_lo = key_lo;
    holder.side = side;
    holder.ply_index = PLY_STACK_BASE;
    holder.ply_stack[PLY_STACK_BASE] = PlyRecord{};
    return &holder;
}
