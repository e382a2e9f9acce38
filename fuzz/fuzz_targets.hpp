// SPDX-License-Identifier: Apache-2.0
//
// The entry functions of the fuzz targets under their own names, for the test
// that replays the corpus and the regressions through them. Each returns 0 and
// throws a sorvexa_fuzz::Finding (or lets another foreign exception out) when the
// library breaks a property.
#ifndef SORVEXA_FUZZ_FUZZ_TARGETS_HPP
#define SORVEXA_FUZZ_FUZZ_TARGETS_HPP

#include <cstddef>
#include <cstdint>

namespace sorvexa_fuzz {

// The value text form: parse; print; parse what was printed and compare.
int valueTextOneInput(const std::uint8_t* data, std::size_t size);
// Unit expressions: parse; print; parse what was printed and compare.
int unitTextOneInput(const std::uint8_t* data, std::size_t size);
// Operations chosen by the bytes on values chosen by the bytes, checked against references and for unchanged operands.
int operationOneInput(const std::uint8_t* data, std::size_t size);
// One of the above with the allocation that the bytes choose failing.
int allocationFailureOneInput(const std::uint8_t* data, std::size_t size);

}  // namespace sorvexa_fuzz

#endif  // SORVEXA_FUZZ_FUZZ_TARGETS_HPP
