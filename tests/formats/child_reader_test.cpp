// Reading in a child process: the volume comes back whole, a refusal keeps
// its words, and a library that ends the child is a refusal, not the end of
// the program.
#include "formats/child_reader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace calyra::formats {
namespace {

TEST(ChildReader, TheVolumeComesBackWhole) {
    const SourceVolume v = ReadInChild(
        [] {
            SourceVolume s;
            s.dims[0] = 3;
            s.dims[1] = 2;
            s.dims[2] = 2;
            s.spacing[2] = 2.5;
            s.volumes = 4;
            s.type = SampleType::I16;
            s.binary = true;
            s.data.reset(static_cast<std::uint8_t*>(std::malloc(s.Count() * 2)));
            for (std::uint64_t k = 0; k < s.Count() * 2; ++k)
                s.data[k] = static_cast<std::uint8_t>(k * 7);
            s.rescale = {{2.0, -1.0}, {0.5, 3.0}};
            s.notes = {"first note", ""};
            return s;
        },
        "test");
    EXPECT_EQ(v.dims[0], 3);
    EXPECT_EQ(v.dims[2], 2);
    EXPECT_EQ(v.spacing[2], 2.5);
    EXPECT_EQ(v.volumes, 4);
    EXPECT_EQ(v.type, SampleType::I16);
    EXPECT_TRUE(v.binary);
    for (std::uint64_t k = 0; k < v.Count() * 2; ++k) {
        ASSERT_EQ(v.data[k], static_cast<std::uint8_t>(k * 7)) << k;
    }
    ASSERT_EQ(v.rescale.size(), 2u);
    EXPECT_EQ(v.rescale[1].slope, 0.5);
    EXPECT_EQ(v.rescale[0].intercept, -1.0);
    ASSERT_EQ(v.notes.size(), 2u);
    EXPECT_EQ(v.notes[0], "first note");
}

TEST(ChildReader, ARefusalKeepsItsWords) {
    try {
        ReadInChild([]() -> SourceVolume { throw FormatError("the header is cut short"); }, "test");
        FAIL() << "no refusal";
    } catch (const FormatError& e) {
        EXPECT_STREQ(e.what(), "the header is cut short");
    }
}

TEST(ChildReader, ALibraryThatAbortsIsARefusal) {
    try {
        ReadInChild([]() -> SourceVolume { std::abort(); }, "DICOM");
        FAIL() << "no refusal";
    } catch (const FormatError& e) {
        EXPECT_NE(std::strstr(e.what(), "DICOM library stopped"), nullptr) << e.what();
    }
}

}  // namespace
}  // namespace calyra::formats
