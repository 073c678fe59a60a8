// Each sample type reaches the C++ type its name gives: a type list out of
// the enum's order would read every sample at the wrong width or sign.
#include "formats/sample_types.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace calyra::formats {
namespace {

TEST(DispatchType, ReachesTheCppTypeEachSampleTypeNames) {
    struct Named {
        SampleType type;
        std::size_t bytes;
        bool isSigned, floating;
    };
    for (const Named n :
         {Named{SampleType::U8, 1, false, false}, Named{SampleType::I8, 1, true, false},
          Named{SampleType::U16, 2, false, false}, Named{SampleType::I16, 2, true, false},
          Named{SampleType::U32, 4, false, false}, Named{SampleType::I32, 4, true, false},
          Named{SampleType::U64, 8, false, false}, Named{SampleType::I64, 8, true, false},
          Named{SampleType::F32, 4, true, true}, Named{SampleType::F64, 8, true, true}}) {
        DispatchType(n.type, [&](auto zero) {
            using T = decltype(zero);
            EXPECT_EQ(sizeof(T), n.bytes) << int(n.type);
            EXPECT_EQ(std::is_signed_v<T>, n.isSigned) << int(n.type);
            EXPECT_EQ(std::is_floating_point_v<T>, n.floating) << int(n.type);
        });
        EXPECT_EQ(SampleBytes(n.type), n.bytes) << int(n.type);
    }
}

}  // namespace
}  // namespace calyra::formats
