// The hash memory: one size, set by the "Hash" option, shared between the
// transposition table and the evaluation cache, with the start-up and
// shutdown steps around it. A requested size S KB gives the evaluation cache
// H = 2^(floor(log2 S) - 1) KB and the transposition table the rest. The
// tables take their memory from platform/memory.h. The learned positions of
// the learning file that the table keeps are loaded into a new table and
// saved before the last one goes by the front end (book/learning.h).
#pragma once

extern int hash_size_kb;  // hash memory obtained, 0 = no hash
extern int tt_share_kb;   // the transposition table's part of it

// Frees the hash tables.
int free_hash_tables();

// Allocates exactly kb KB of hash; kb on success, 0 with nothing allocated.
int allocate_hash(int kb);
// Re-sizes the hash memory, trying smaller sizes when the memory is not
// there; the KB obtained (0 = no hash).
int set_hash_size(int kb);
// The size set_hash_size tries after `size` failed (`power` the largest
// power of two not above the size first asked for; *quarter carries the
// quarter taken off by the step before, 0 when none). A result not below
// `size` ends the attempts.
int next_hash_size(int size, int power, int* quarter);

// Flag 1 clears everything, flag 0 keeps learned entries. Also resets the
// history tables, the main position's killers, the evaluation cache and the
// move-gain table.
void clear_hash(int flag);
