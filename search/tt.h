// Transposition table and the hash memory it shares with the evaluation cache.
#pragma once

// Start-up allocations of the hash memory; the KB obtained, or -1 on failure.
int init_memory();
// Frees the hash tables (saving pending learned entries first at exit).
int free_hash_tables(int at_exit);
extern int hash_size_kb;  // hash memory obtained, 0 = no hash

// Re-sizes the hash memory, trying smaller sizes when the memory is not there;
// the KB obtained (0 = no hash).
int set_hash_size(int kb);
// Flag 1 clears everything, flag 0 keeps learned entries.
void clear_hash(int flag);
