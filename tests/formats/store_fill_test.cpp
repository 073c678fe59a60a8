// The intensity mapping at its edges: values outside the range it was made
// for (the 8- and 16-bit tables map every value of the type), and ranges
// wider than the largest double; slices mapped through a table or sample by
// sample alike.
#include "formats/store_fill.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "formats/slice_mapping.h"

namespace calyra::formats {
namespace {

TEST(MapValue, ValuesOutsideAnUnwindowedRangeGoToTheEnds) {
    IntensityMapping m;
    m.lo = 100.0;
    m.hi = 110.0;
    EXPECT_EQ(MapValue(100.0, m), 0);
    EXPECT_EQ(MapValue(105.0, m), 127);
    EXPECT_EQ(MapValue(110.0, m), 255);
    // 1000 would be 22695 before truncation to 8 bits, -5 below 0.
    EXPECT_EQ(MapValue(1000.0, m), 255);
    EXPECT_EQ(MapValue(110.05, m), 255);
    EXPECT_EQ(MapValue(-5.0, m), 0);
    EXPECT_EQ(MapValue(99.99, m), 0);
    EXPECT_EQ(MapValue(std::numeric_limits<double>::quiet_NaN(), m), 0);
}

TEST(MapValue, ARangeWiderThanTheLargestDoubleStillSpreads) {
    const double big = std::numeric_limits<double>::max();
    IntensityMapping m;
    m.lo = -big;
    m.hi = big;
    EXPECT_EQ(MapValue(-big, m), 0);
    EXPECT_EQ(MapValue(0.0, m), 127);
    EXPECT_EQ(MapValue(big, m), 255);
    m.window = true;
    EXPECT_EQ(MapValue(big / 2, m), 191);
}

// Two slices of 16-bit samples, each with its own rescale, mapped into bytes
// and fine values: a slice of 65,536 samples or more goes through a table of
// every value of the type, a smaller one sample by sample, and both give the
// mapping of each rescaled sample.
template <class T>
void ExpectSlicesMapAsTheirSamples(std::int64_t nx, std::int64_t ny, SampleType type) {
    SCOPED_TRACE(std::to_string(nx) + " x " + std::to_string(ny) + " samples of " +
                 std::to_string(sizeof(T)) + " bytes");
    SourceVolume v;
    v.dims[0] = nx;
    v.dims[1] = ny;
    v.dims[2] = 2;
    v.type = type;
    v.data.reset(static_cast<std::uint8_t*>(std::malloc(v.Count() * sizeof(T))));
    ASSERT_TRUE(v.data);
    T* samples = reinterpret_cast<T*>(v.data.get());
    // Every value of the type once in a slice of 65,536, spread over it otherwise.
    for (std::uint64_t i = 0; i < v.Count(); ++i) {
        samples[i] = static_cast<T>(static_cast<std::uint16_t>(i * 40503u));
    }
    v.rescale = {{0.5, -100.0}, {2.0, 7.0}};
    IntensityMapping m;
    m.lo = -40000.0;
    m.hi = 70000.0;
    SliceMapper<std::uint8_t> bytes(v, m);
    SliceMapper<std::uint16_t> fine(v, m);
    std::vector<std::uint8_t> byteSlice(v.SliceCount());
    std::vector<std::uint16_t> fineSlice(v.SliceCount());
    for (std::int64_t k = 0; k < 2; ++k) {
        bytes.Map(k, byteSlice.data());
        fine.Map(k, fineSlice.data());
        const T* s = SliceSamples<T>(v, k);
        int wrong = 0;
        for (std::uint64_t i = 0; i < v.SliceCount(); ++i) {
            const double value = Rescaled(double(s[i]), SliceRescale(v, k));
            wrong += byteSlice[i] != MapValue(value, m) || fineSlice[i] != MapFine(value, m);
        }
        EXPECT_EQ(wrong, 0) << "slice " << k;
    }
}

TEST(SliceMapper, ATabledSliceAndOneMappedSampleBySampleGiveTheMappingOfEachSample) {
    ExpectSlicesMapAsTheirSamples<std::int16_t>(256, 256, SampleType::I16);
    ExpectSlicesMapAsTheirSamples<std::uint16_t>(256, 256, SampleType::U16);
    ExpectSlicesMapAsTheirSamples<std::int16_t>(17, 9, SampleType::I16);
    ExpectSlicesMapAsTheirSamples<std::uint16_t>(17, 9, SampleType::U16);
}

}  // namespace
}  // namespace calyra::formats
