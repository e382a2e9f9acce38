// SPDX-License-Identifier: Apache-2.0
//
// The one allocator behind every block of the toolchain's libraries: objects
// derived from AllocatorBase, qtf_calloc and allocate_buffer. It counts live
// blocks, so tests can prove that a failed operation released what it took,
// and it can be told to fail the N-th allocation to come.
#ifndef QTF_ALLOCATOR_HPP
#define QTF_ALLOCATOR_HPP

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "qtf/qtf_export.hpp"

namespace qtf {

class QTF_EXPORT Allocator {
 public:
  // A block of at least bytes bytes (one byte when bytes is 0). Throws std::bad_alloc when memory runs out or when the
  // failure hook says so.
  static void* allocate(std::size_t bytes);
  // As allocate, but zero-filled.
  static void* allocateZeroed(std::size_t bytes);
  // As allocate, but returns null instead of throwing.
  static void* allocate(std::size_t bytes, const std::nothrow_t&) noexcept;
  // Releases a block of this allocator; null is ignored.
  static void deallocate(void* block) noexcept;

  // For objects of one small size that come and go often (every operator result): as allocate, but served from the
  // calling thread's cache of released blocks when it holds one of this size. Counted, and failed by the hook, exactly
  // as allocate. Blocks of more than kCachedBytes come from allocate.
  static constexpr std::size_t kCachedBytes = 256;
  static void* allocateCached(std::size_t bytes);
  // As allocateCached, but returns null instead of throwing.
  static void* allocateCached(std::size_t bytes, const std::nothrow_t&) noexcept;
  // Releases a block of allocateCached(bytes), with the same bytes, into the calling thread's cache while it has room
  // (a few blocks per size); null is ignored. A thread's cache is released when the thread ends. Under
  // AddressSanitizer nothing is cached, so that a block used after its release is still caught.
  static void deallocateCached(void* block, std::size_t bytes) noexcept;

  // For a kernel's large scratch space, taken and released once per run: as allocate, but the releasing thread keeps
  // the block (the larger one, if it holds one already) and lends it again to a later request of at most its size; a
  // larger request replaces it. Counted, and failed by the hook, exactly as allocate; a kept block is not live. Release
  // with deallocateWorkspace, on any thread (null is ignored). A thread's kept block is released when the thread ends;
  // under AddressSanitizer nothing is kept.
  static void* allocateWorkspace(std::size_t bytes);
  static void deallocateWorkspace(void* block) noexcept;

  // Blocks allocated and not yet released.
  static std::int64_t liveBlocks() noexcept;
  // Allocations attempted so far, failed ones included.
  static std::uint64_t allocationCount() noexcept;

  // Test hook: the n-th allocation from now (1 = the next one) fails; 0 disarms the hook. One failure per arming.
  static void failAllocation(std::uint64_t n) noexcept;
  // True while an armed failure has not happened yet.
  static bool failurePending() noexcept;
};

// Base class whose class-level operator new and delete serve every library object through Allocator.
class QTF_EXPORT AllocatorBase {
 public:
  static void* operator new(std::size_t bytes);
  static void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept;
  static void* operator new[](std::size_t bytes);
  static void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept;
  static void operator delete(void* block) noexcept;
  static void operator delete(void* block, const std::nothrow_t&) noexcept;
  static void operator delete[](void* block) noexcept;
  static void operator delete[](void* block, const std::nothrow_t&) noexcept;

 protected:
  AllocatorBase() = default;
  ~AllocatorBase() = default;
};

}  // namespace qtf

// A zero-filled block of count * size bytes, released with qtf_free. Throws std::bad_alloc when memory runs out or the
// product overflows.
QTF_EXPORT void* qtf_calloc(std::size_t count, std::size_t size);
// Releases a block from qtf_calloc or qtf::allocate_buffer; null is ignored.
QTF_EXPORT void qtf_free(void* block) noexcept;

namespace qtf {

struct BufferDeleter {
  void operator()(void* block) const noexcept { qtf_free(block); }
};
// Owns a block of the allocator (qtf_calloc, qtf::allocate_buffer, Allocator::allocate) and releases it with qtf_free,
// unless release() hands it on.
using BufferPtr = std::unique_ptr<void, BufferDeleter>;

}  // namespace qtf

#endif  // QTF_ALLOCATOR_HPP
