// SPDX-License-Identifier: Apache-2.0
#include "qtf/allocator.hpp"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace qtf {
namespace {

std::atomic<std::int64_t> gLiveBlocks{0};
std::atomic<std::uint64_t> gAllocations{0};
// Allocations still to go before the armed failure; 0 when disarmed.
std::atomic<std::uint64_t> gFailCountdown{0};

// True when the failure hook claims this allocation. The disarmed case costs one relaxed load.
bool injectFailure() noexcept {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  std::uint64_t left = gFailCountdown.load(std::memory_order_relaxed);
  while (left != 0) {
    if (gFailCountdown.compare_exchange_weak(left, left - 1, std::memory_order_relaxed)) {
      return left == 1;
    }
  }
  return false;
}

// From this size on the C library maps every block afresh from the system (smaller blocks are recycled within the
// process), so each use of such a block pays one page fault per 4 KiB page it touches. Aligning these blocks to huge
// pages and marking them for transparent huge pages cuts that to one fault per 2 MiB.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kFreshlyMapped = std::size_t{32} << 20;

void* allocateHuge(std::size_t bytes, bool zeroed) noexcept {
  const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (block != nullptr) {
    madvise(block, rounded, MADV_HUGEPAGE);
    if (zeroed) {
      std::memset(block, 0, bytes);
    }
  }
  return block;
}

void* rawAllocate(std::size_t bytes, bool zeroed) noexcept {
  if (injectFailure()) {
    return nullptr;
  }
  if (bytes == 0) {
    bytes = 1;
  }
  void* block = bytes >= kFreshlyMapped && bytes <= std::numeric_limits<std::size_t>::max() - kHugePage
                    ? allocateHuge(bytes, zeroed)
                    : (zeroed ? std::calloc(1, bytes) : std::malloc(bytes));
  if (block != nullptr) {
    gLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  }
  return block;
}

// Each thread's released blocks of up to kCachedBytes, by size class (32, 64, ... bytes), a few deep. The thread
// reaches its cache through one pointer, so that the library takes almost no static thread-local storage (which a
// library loaded at run time, as by Python, has little of); the cache itself is made on the thread's first release.
constexpr std::size_t kClassBytes = 32;
constexpr std::size_t kClasses = Allocator::kCachedBytes / kClassBytes;
constexpr int kDepth = 16;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kCaching = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kCaching = false;
#else
constexpr bool kCaching = true;
#endif
#else
constexpr bool kCaching = true;
#endif

struct BlockCache {
  int count[kClasses];
  void* blocks[kClasses][kDepth];
};

__attribute__((tls_model("initial-exec"))) thread_local BlockCache* tCache = nullptr;
// Set once the thread's cache has been released at its end: blocks released later (by destructors that run after
// it) go straight back to the C library.
__attribute__((tls_model("initial-exec"))) thread_local bool tCacheClosed = false;

std::size_t sizeClass(std::size_t bytes) noexcept { return bytes == 0 ? 0 : (bytes - 1) / kClassBytes; }

// Frees the thread's cached blocks and the cache when the thread ends.
struct CacheRelease {
  ~CacheRelease() {
    BlockCache* cache = tCache;
    tCache = nullptr;
    tCacheClosed = true;
    if (cache != nullptr) {
      for (std::size_t k = 0; k < kClasses; ++k) {
        for (int i = 0; i < cache->count[k]; ++i) {
          std::free(cache->blocks[k][i]);
        }
      }
      std::free(cache);
    }
  }
};

// The thread's cache, made on first use; null when caching is off, the thread has ended or memory ran out.
BlockCache* openCache() noexcept {
  if (!kCaching || tCacheClosed) {
    return nullptr;
  }
  auto* cache = static_cast<BlockCache*>(std::calloc(1, sizeof(BlockCache)));
  if (cache != nullptr) {
    static thread_local CacheRelease release;
    tCache = cache;
  }
  return cache;
}

// Inline in both entry points, so that the one every operator result takes costs no second call.
inline void* cachedAllocate(std::size_t bytes) noexcept {
  if (bytes > Allocator::kCachedBytes) {
    return rawAllocate(bytes, false);
  }
  if (injectFailure()) {
    return nullptr;
  }
  const std::size_t k = sizeClass(bytes);
  BlockCache* cache = tCache;
  // A block from the C library has its class's whole size, so that it can serve any request of the class later.
  void* block = cache != nullptr && cache->count[k] > 0 ? cache->blocks[k][--cache->count[k]]
                                                        : std::malloc((k + 1) * kClassBytes);
  if (block != nullptr) {
    gLiveBlocks.fetch_add(1, std::memory_order_relaxed);
  }
  return block;
}

}  // namespace

void* Allocator::allocateCached(std::size_t bytes) {
  void* block = cachedAllocate(bytes);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void* Allocator::allocateCached(std::size_t bytes, const std::nothrow_t&) noexcept { return cachedAllocate(bytes); }

void Allocator::deallocateCached(void* block, std::size_t bytes) noexcept {
  if (block == nullptr) {
    return;
  }
  if (bytes > kCachedBytes) {
    deallocate(block);
    return;
  }
  gLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
  const std::size_t k = sizeClass(bytes);
  BlockCache* cache = tCache != nullptr ? tCache : openCache();
  if (cache != nullptr && cache->count[k] < kDepth) {
    cache->blocks[k][cache->count[k]++] = block;
    return;
  }
  std::free(block);
}

void* Allocator::allocate(std::size_t bytes) {
  void* block = rawAllocate(bytes, false);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void* Allocator::allocateZeroed(std::size_t bytes) {
  void* block = rawAllocate(bytes, true);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void* Allocator::allocate(std::size_t bytes, const std::nothrow_t&) noexcept { return rawAllocate(bytes, false); }

void Allocator::deallocate(void* block) noexcept {
  if (block != nullptr) {
    gLiveBlocks.fetch_sub(1, std::memory_order_relaxed);
    std::free(block);
  }
}

std::int64_t Allocator::liveBlocks() noexcept { return gLiveBlocks.load(std::memory_order_relaxed); }

std::uint64_t Allocator::allocationCount() noexcept { return gAllocations.load(std::memory_order_relaxed); }

void Allocator::failAllocation(std::uint64_t n) noexcept { gFailCountdown.store(n, std::memory_order_relaxed); }

bool Allocator::failurePending() noexcept { return gFailCountdown.load(std::memory_order_relaxed) != 0; }

void* AllocatorBase::operator new(std::size_t bytes) { return Allocator::allocate(bytes); }
void* AllocatorBase::operator new(std::size_t bytes, const std::nothrow_t& tag) noexcept {
  return Allocator::allocate(bytes, tag);
}
void* AllocatorBase::operator new[](std::size_t bytes) { return Allocator::allocate(bytes); }
void* AllocatorBase::operator new[](std::size_t bytes, const std::nothrow_t& tag) noexcept {
  return Allocator::allocate(bytes, tag);
}
void AllocatorBase::operator delete(void* block) noexcept { Allocator::deallocate(block); }
void AllocatorBase::operator delete(void* block, const std::nothrow_t&) noexcept { Allocator::deallocate(block); }
void AllocatorBase::operator delete[](void* block) noexcept { Allocator::deallocate(block); }
void AllocatorBase::operator delete[](void* block, const std::nothrow_t&) noexcept { Allocator::deallocate(block); }

}  // namespace qtf

void* qtf_calloc(std::size_t count, std::size_t size) {
  if (size != 0 && count > std::numeric_limits<std::size_t>::max() / size) {
    throw std::bad_alloc();
  }
  return qtf::Allocator::allocateZeroed(count * size);
}

void qtf_free(void* block) noexcept { qtf::Allocator::deallocate(block); }
