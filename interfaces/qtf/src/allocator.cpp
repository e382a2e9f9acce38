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

}  // namespace

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
