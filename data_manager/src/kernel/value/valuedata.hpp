// SPDX-License-Identifier: Apache-2.0
//
// ValueData: the reference-counted part of a Value that its handles share:
// element type, dimension and unit, which never change, and the state, which
// share() may turn from unresolved into a reference.
#ifndef DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATA_HPP
#define DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATA_HPP

#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "data_manager/base.hpp"
#include "data_manager/valuetraitid.hpp"
#include "kernel/value/resolvedvaluedatastate.hpp"
#include "kernel/value/valuedatastate.hpp"
#include "qtf/allocator.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "unit_manager/unitexpression.hpp"

namespace data_manager::detail {

class ValueData;
struct ParsedValueText;

using ValueDataStateFactory = ValueDataState* (*)(ValueData& owner, qtf::DataTypeId::Type type,
                                                  const qtf::Dimension& dimension, const void* data);

class ValueData final : public Base {
 public:
  // Count 1, state from the trait's factory. Throws "data_manager:value:InvalidDataType" and
  // "data_manager:value:InvalidValueTrait" for bad identifiers.
  ValueData(const Context& context, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
            const qtf::Dimension& dimension, const unit_manager::UnitExpression& unit, const void* data);
  // A resolved value data read from the text form (defined with the text form).
  ValueData(const Context& context, const std::string& text);
  // The library's own results are built with a resolved state inside the value data, so that a result costs one
  // allocation (two when its elements do not fit the state). These constructors take over buffer, a qtf block of
  // getNumElements() elements of type, also when they throw ...
  ValueData(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
            const unit_manager::UnitExpression& unit, void* buffer) noexcept;
  // ... or hold the zero-filled elements of a result that fits the state (up to kInlineBytes), which its builder fills
  // in through inlineElements() before handing the value on. Inline: every small operator result is built with it.
  ValueData(const Context& context, qtf::DataTypeId::Type type, const qtf::Dimension& dimension,
            const unit_manager::UnitExpression& unit) noexcept
      : Base(context), mDataType(type), mDimension(dimension), mUnit(unit), mRefCount(1), mState(nullptr) {
    // The class-level operator new of the states hides placement new; the global one builds in place.
    auto* state = ::new (static_cast<void*>(mStateStorage)) ResolvedValueDataState(context, *this);
    mState = state;
    mStateInside = true;
    mOwnElements = state->getGenericValue();
  }
  ValueData(const ValueData&) = delete;
  ValueData& operator=(const ValueData&) = delete;
  ~ValueData() override;

  // Every operator result is a value data: they come from the allocator's per-thread cache. The class is final, so
  // every block released here has the size of a value data.
  static void* operator new(std::size_t bytes) { return qtf::Allocator::allocateCached(bytes); }
  static void* operator new(std::size_t bytes, const std::nothrow_t& tag) noexcept {
    return qtf::Allocator::allocateCached(bytes, tag);
  }
  static void operator delete(void* block) noexcept { qtf::Allocator::deallocateCached(block, sizeof(ValueData)); }
  static void operator delete(void* block, const std::nothrow_t&) noexcept {
    qtf::Allocator::deallocateCached(block, sizeof(ValueData));
  }

  qtf::DataTypeId::Type getDataType() const noexcept { return mDataType; }
  const qtf::Dimension& getDimension() const noexcept { return mDimension; }
  const unit_manager::UnitExpression& getUnit() const noexcept { return mUnit; }
  std::int32_t getRefCount() const noexcept { return mRefCount; }
  const ValueDataState& getState() const noexcept { return *mState; }
  // The elements of a value data that was resolved from the start, whose buffer never changes; null otherwise (the
  // state then has to be asked).
  const void* getOwnElements() const noexcept { return mOwnElements; }
  // The elements of a value data built to hold them inline, for its builder to write.
  void* inlineElements() noexcept { return static_cast<ResolvedValueDataState*>(mState)->inlineElements(); }

  // Following references to the end of the chain.
  bool isResolved() const;
  const void* getGenericValue() const;

  void addReference() noexcept { ++mRefCount; }
  // Destroys the object when the count reaches 0.
  void removeReference() noexcept;

  // Ties this and other: this refers to other when other is resolved, else other refers to this.
  void share(ValueData& other);
  // Turns this unresolved value data (or the end of its chain) into a reference to the end of target's chain, after
  // checking resolution, type, dimension and commensurate units in that order.
  void referTo(ValueData& target);
  void releaseState() noexcept;

  // Stores factory for trait unless one is stored; returns true in every case.
  static bool registerStateFactory(ValueTraitId::Type trait, ValueDataStateFactory factory) noexcept;
  static ValueDataState* createState(ValueData& owner, ValueTraitId::Type trait, qtf::DataTypeId::Type type,
                                     const qtf::Dimension& dimension, const void* data);

 private:
  ValueData(const Context& context, ParsedValueText&& parsed);

  qtf::DataTypeId::Type mDataType;
  qtf::Dimension mDimension;
  unit_manager::UnitExpression mUnit;
  std::int32_t mRefCount;
  ValueDataState* mState;
  const void* mOwnElements = nullptr;
  bool mStateInside = false;  // mState was built in mStateStorage
  alignas(ResolvedValueDataState) unsigned char mStateStorage[sizeof(ResolvedValueDataState)];
};

}  // namespace data_manager::detail

#endif  // DATA_MANAGER_SRC_KERNEL_VALUE_VALUEDATA_HPP
