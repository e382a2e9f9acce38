// SPDX-License-Identifier: Apache-2.0
#include "qtf/allocator.hpp"

#include <pthread.h>
#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

namespace qtf {
namespace {

// What each thread keeps to itself: its counts of allocations and live blocks, and its cache of released blocks of up
// to kCachedBytes, by size class (32, 64, ... bytes), a few deep.
//
// The counts are the thread's own so that an allocation costs no locked read-modify-write of a shared counter (a few
// nanoseconds, a tenth of a scalar operation, and far more once threads contend for the line): only the owner writes
// them, with a plain load and store, and a total is the sum over the live threads' states and what ended threads
// left in the shared counters. A block allocated on one thread and released on another sums right all the same.
//
// A thread reaches its state through one pointer, so that the library takes almost no static thread-local storage
// (which a library loaded at run time, as by Python, has little of). The state is made on the thread's first
// allocation or release and given back when the thread ends; a thread without one (memory ran out, or its last
// destructors run after the state was given back) counts in the shared counters and caches nothing.
//
// Beside the cache the state keeps one workspace: the large block of a kernel's scratch space (the packed panels of
// the matrix product), lent out and taken back whole, so that a kernel run again does not take its megabytes fresh
// from the C library, which maps them afresh (and faults them in page by page) whenever it has given the memory back
// to the system in between.
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

struct ThreadState {
  std::atomic<std::int64_t> live{0};
  std::atomic<std::uint64_t> allocations{0};
  int count[kClasses] = {};
  void* blocks[kClasses][kDepth] = {};
  void* workspace = nullptr;        // the workspace block the thread keeps, header first
  ThreadState* previous = nullptr;  // the live threads' states, under gStatesMutex
  ThreadState* next = nullptr;
};

// Counts of threads without a state, and all that ended threads counted.
std::atomic<std::int64_t> gSharedLive{0};
std::atomic<std::uint64_t> gSharedAllocations{0};

std::mutex gStatesMutex;
ThreadState* gStates = nullptr;

__attribute__((tls_model("initial-exec"))) thread_local ThreadState* tState = nullptr;
// Set once the thread's state has been given back at its end.
__attribute__((tls_model("initial-exec"))) thread_local bool tStateClosed = false;

// Gives the thread's state back when the thread ends: its counts go to the shared counters, its cached blocks to the
// C library.
struct StateRelease {
  ~StateRelease() {
    ThreadState* state = tState;
    tState = nullptr;
    tStateClosed = true;
    if (state == nullptr) {
      return;
    }
    {
      std::lock_guard<std::mutex> lock(gStatesMutex);
      gSharedLive.fetch_add(state->live.load(std::memory_order_relaxed), std::memory_order_relaxed);
      gSharedAllocations.fetch_add(state->allocations.load(std::memory_order_relaxed), std::memory_order_relaxed);
      (state->previous != nullptr ? state->previous->next : gStates) = state->next;
      if (state->next != nullptr) {
        state->next->previous = state->previous;
      }
    }
    for (std::size_t k = 0; k < kClasses; ++k) {
      for (int i = 0; i < state->count[k]; ++i) {
        std::free(state->blocks[k][i]);
      }
    }
    std::free(state->workspace);
    state->~ThreadState();
    std::free(state);
  }
};

// A child process forked while another thread held the list's lock would never see it released; the list is locked
// around every fork instead, so the child starts with it free.
void lockStates() noexcept { gStatesMutex.lock(); }
void unlockStates() noexcept { gStatesMutex.unlock(); }

// The thread's state, made on first use; null when the thread has ended or memory ran out.
[[gnu::noinline]] ThreadState* openState() noexcept {
  if (tStateClosed) {
    return nullptr;
  }
  static const bool forkSafe = pthread_atfork(lockStates, unlockStates, unlockStates) == 0;
  (void)forkSafe;
  void* memory = std::malloc(sizeof(ThreadState));
  if (memory == nullptr) {
    return nullptr;
  }
  auto* state = ::new (memory) ThreadState;
  {
    std::lock_guard<std::mutex> lock(gStatesMutex);
    state->next = gStates;
    if (gStates != nullptr) {
      gStates->previous = state;
    }
    gStates = state;
  }
  static thread_local StateRelease release;
  tState = state;
  return state;
}

inline ThreadState* threadState() noexcept {
  ThreadState* state = tState;
  return state != nullptr ? state : openState();
}

// Adds delta to the thread's own counter (a plain load and store: no other thread writes it) or, without a state, to
// the shared one.
template <typename T>
inline void count(ThreadState* state, std::atomic<T> ThreadState::*own, std::atomic<T>& shared, T delta) noexcept {
  if (state != nullptr) {
    std::atomic<T>& counter = state->*own;
    counter.store(counter.load(std::memory_order_relaxed) + delta, std::memory_order_relaxed);
  } else {
    shared.fetch_add(delta, std::memory_order_relaxed);
  }
}

template <typename T>
T total(std::atomic<T> ThreadState::*own, const std::atomic<T>& shared) noexcept {
  std::lock_guard<std::mutex> lock(gStatesMutex);
  T sum = shared.load(std::memory_order_relaxed);
  for (const ThreadState* state = gStates; state != nullptr; state = state->next) {
    sum += (state->*own).load(std::memory_order_relaxed);
  }
  return sum;
}

inline void countLive(ThreadState* state, std::int64_t delta) noexcept {
  count(state, &ThreadState::live, gSharedLive, delta);
}

// Allocations still to go before the armed failure; 0 when disarmed.
std::atomic<std::uint64_t> gFailCountdown{0};

// Counts the allocation; true when the failure hook claims it. The disarmed case costs one relaxed load.
inline bool injectFailure(ThreadState* state) noexcept {
  count<std::uint64_t>(state, &ThreadState::allocations, gSharedAllocations, 1);
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
  ThreadState* state = threadState();
  if (injectFailure(state)) {
    return nullptr;
  }
  if (bytes == 0) {
    bytes = 1;
  }
  void* block = bytes >= kFreshlyMapped && bytes <= std::numeric_limits<std::size_t>::max() - kHugePage
                    ? allocateHuge(bytes, zeroed)
                    : (zeroed ? std::calloc(1, bytes) : std::malloc(bytes));
  if (block != nullptr) {
    countLive(state, 1);
  }
  return block;
}

std::size_t sizeClass(std::size_t bytes) noexcept { return bytes == 0 ? 0 : (bytes - 1) / kClassBytes; }

// Inline in both entry points, so that the one every operator result takes costs no second call.
inline void* cachedAllocate(std::size_t bytes) noexcept {
  if (bytes > Allocator::kCachedBytes) {
    return rawAllocate(bytes, false);
  }
  ThreadState* state = threadState();
  if (injectFailure(state)) {
    return nullptr;
  }
  const std::size_t k = sizeClass(bytes);
  // A block from the C library has its class's whole size, so that it can serve any request of the class later.
  void* block = state != nullptr && state->count[k] > 0 ? state->blocks[k][--state->count[k]]
                                                        : std::malloc((k + 1) * kClassBytes);
  if (block != nullptr) {
    countLive(state, 1);
  }
  return block;
}

// A workspace block starts with a header that holds its size, so that any thread can keep it on its release.
constexpr std::size_t kWorkspaceHeader = 64;

std::size_t workspaceBytes(const void* raw) noexcept {
  std::size_t bytes = 0;
  if (raw != nullptr) {
    std::memcpy(&bytes, raw, sizeof bytes);
  }
  return bytes;
}

// Lends the thread's workspace when it holds one of at least bytes; otherwise gives the held one back to the C library
// and takes one of bytes in its place.
void* workspaceAllocate(std::size_t bytes) noexcept {
  ThreadState* state = threadState();
  if (kCaching && state != nullptr && state->workspace != nullptr && workspaceBytes(state->workspace) >= bytes) {
    if (injectFailure(state)) {
      return nullptr;
    }
    countLive(state, 1);
    void* raw = state->workspace;
    state->workspace = nullptr;
    return static_cast<unsigned char*>(raw) + kWorkspaceHeader;
  }
  if (state != nullptr) {
    std::free(state->workspace);
    state->workspace = nullptr;
  }
  // A size with no room left for the header fails as memory running out does; like an overflowing qtf_calloc, it
  // asks the C library for nothing and counts no attempt.
  if (bytes > std::numeric_limits<std::size_t>::max() - kWorkspaceHeader) {
    return nullptr;
  }
  void* raw = rawAllocate(bytes + kWorkspaceHeader, false);
  if (raw == nullptr) {
    return nullptr;
  }
  std::memcpy(raw, &bytes, sizeof bytes);
  return static_cast<unsigned char*>(raw) + kWorkspaceHeader;
}

}  // namespace

void* Allocator::allocateWorkspace(std::size_t bytes) {
  void* block = workspaceAllocate(bytes);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void Allocator::deallocateWorkspace(void* block) noexcept {
  if (block == nullptr) {
    return;
  }
  void* raw = static_cast<unsigned char*>(block) - kWorkspaceHeader;
  ThreadState* state = threadState();
  if (!kCaching || state == nullptr) {
    deallocate(raw);
    return;
  }
  // The thread keeps the larger of the block and the one it holds.
  countLive(state, -1);
  if (workspaceBytes(raw) < workspaceBytes(state->workspace)) {
    std::free(raw);
    return;
  }
  std::free(state->workspace);
  state->workspace = raw;
}

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
  ThreadState* state = threadState();
  countLive(state, -1);
  const std::size_t k = sizeClass(bytes);
  if (kCaching && state != nullptr && state->count[k] < kDepth) {
    state->blocks[k][state->count[k]++] = block;
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
    countLive(threadState(), -1);
    std::free(block);
  }
}

std::int64_t Allocator::liveBlocks() noexcept { return total(&ThreadState::live, gSharedLive); }

std::uint64_t Allocator::allocationCount() noexcept { return total(&ThreadState::allocations, gSharedAllocations); }

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
