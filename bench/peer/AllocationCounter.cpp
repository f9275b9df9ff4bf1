#include "AllocationCounter.h"

#include <malloc.h>

#include <cerrno>
#include <cstddef>

// The counting sits under malloc rather than under operator new: the peers allocate
// with malloc too (msgpack-cxx's zone, RapidJSON's pools), and operator new ends in
// malloc. The program's malloc family interposes the C library's for every library
// it loads and forwards to glibc's own entry points.
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* block, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* block);
}

namespace peer {
namespace {

HeapCount gCount;
bool gTrackLive = false;
const void* gKept = nullptr;

void* counted(void* block, size_t size) {
  if (block == nullptr) return nullptr;
  ++gCount.allocations;
  gCount.bytes += size;
  if (gTrackLive) gCount.liveBytes += static_cast<long long>(malloc_usable_size(block));
  return block;
}

void uncount(void* block) {
  if (gTrackLive && block != nullptr) gCount.liveBytes -= static_cast<long long>(malloc_usable_size(block));
}

}  // namespace

HeapCount heapCount() { return gCount; }
void trackLiveBytes(bool on) { gTrackLive = on; }
void keepOnDelete(const void* block) { gKept = block; }

}  // namespace peer

extern "C" {

void* malloc(size_t size) { return peer::counted(__libc_malloc(size), size); }

void* calloc(size_t count, size_t size) { return peer::counted(__libc_calloc(count, size), count * size); }

void* realloc(void* block, size_t size) {
  if (block == nullptr) return malloc(size);
  const long long before = static_cast<long long>(malloc_usable_size(block));
  void* moved = __libc_realloc(block, size);
  if (moved == nullptr) return nullptr;
  ++peer::gCount.allocations;
  peer::gCount.bytes += size;
  if (peer::gTrackLive) peer::gCount.liveBytes += static_cast<long long>(malloc_usable_size(moved)) - before;
  return moved;
}

void* memalign(size_t alignment, size_t size) {
  return peer::counted(__libc_memalign(alignment, size), size);
}

void* aligned_alloc(size_t alignment, size_t size) { return memalign(alignment, size); }

int posix_memalign(void** out, size_t alignment, size_t size) {
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* block = memalign(alignment, size);
  if (block == nullptr) return ENOMEM;
  *out = block;
  return 0;
}

void free(void* block) {
  if (block == nullptr || block == peer::gKept) return;
  peer::uncount(block);
  __libc_free(block);
}

}  // extern "C"
