// Counts the heap allocations of the whole benchmark program (it replaces malloc and
// free, under operator new and delete), so that what a decode allocates can be
// reported beside its time. The counters are plain globals: the benchmarks run on one
// thread.
#pragma once

#include <cstddef>

namespace peer {

struct HeapCount {
  unsigned long long allocations = 0;
  unsigned long long bytes = 0;  // as requested
  long long liveBytes = 0;       // usable bytes held, counted while tracking is on
};

HeapCount heapCount();

// While on, frees and allocations also move liveBytes (by the allocator's usable size).
// Only what is allocated and freed inside one tracked stretch balances.
void trackLiveBytes(bool on);

// Freeing this pointer (delete[]) leaves the block allocated, so one received message can
// be handed to a decoder that adopts it again and again. Null for none.
void keepOnDelete(const void* block);

}  // namespace peer
