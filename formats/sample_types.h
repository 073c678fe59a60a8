// The sample types from both ends: each library's type codes name them
// through a small table of its reader, and the code that works on the
// samples reaches their C++ type through DispatchType.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <tuple>
#include <utility>

#include "formats/source_volume.h"

namespace calyra::formats {

// A library's code for a number type, and the sample type it stands for.
template <class Code>
struct SampleTypeCode {
    Code code;
    SampleType type;
};

// The sample type of code in a reader's table; none for a code it leaves out,
// which the reader refuses in its own words.
template <class Code, std::size_t N>
constexpr std::optional<SampleType> FindSampleType(const SampleTypeCode<Code> (&table)[N],
                                                   Code code) {
    for (const SampleTypeCode<Code>& row : table) {
        if (row.code == code) return row.type;
    }
    return std::nullopt;
}

// The C++ type of each sample type, in the order of SampleType.
using SampleCppTypes =
    std::tuple<std::uint8_t, std::int8_t, std::uint16_t, std::int16_t, std::uint32_t, std::int32_t,
               std::uint64_t, std::int64_t, float, double>;
static_assert(std::tuple_size_v<SampleCppTypes> == std::size_t(SampleType::F64) + 1);

// Calls f with a value-initialised sample of type's C++ type.
template <class F, std::size_t I = 0>
decltype(auto) DispatchType(SampleType type, F&& f) {
    if constexpr (I + 1 < std::tuple_size_v<SampleCppTypes>) {
        if (std::size_t(type) != I) return DispatchType<F, I + 1>(type, std::forward<F>(f));
    }
    return f(std::tuple_element_t<I, SampleCppTypes>{});
}

}  // namespace calyra::formats
