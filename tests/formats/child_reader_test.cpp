// Reading in a child process: the volume comes back whole, a refusal keeps
// its words, and a library that ends the child is a refusal, not the end of
// the program.
#include "formats/child_reader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

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

// A library's own words on its way down (an assertion's source line) stay
// out of the program's error output, and its foreign exceptions out of the
// refusal.
TEST(ChildReader, WhatALibraryPrintsOrThrowsIsNotShown) {
    std::FILE* capture = std::tmpfile();
    ASSERT_NE(capture, nullptr);
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(fileno(capture), STDERR_FILENO);
    std::string refusal, thrown;
    try {
        ReadInChild(
            []() -> SourceVolume {
                std::fputs("lib.h:443: Assertion `x' failed.\n", stderr);
                std::abort();
            },
            "DICOM");
    } catch (const FormatError& e) {
        refusal = e.what();
    }
    try {
        ReadInChild([]() -> SourceVolume { throw std::logic_error("itkFoo.cxx:12: ITK ERROR"); },
                    "MetaImage");
    } catch (const FormatError& e) {
        thrown = e.what();
    }
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    std::rewind(capture);
    char printed[256] = {};
    const std::size_t n = std::fread(printed, 1, sizeof printed - 1, capture);
    std::fclose(capture);
    EXPECT_EQ(n, 0u) << printed;
    EXPECT_EQ(refusal.find("Assertion"), std::string::npos) << refusal;
    EXPECT_FALSE(refusal.empty());
    EXPECT_EQ(thrown.find("itkFoo"), std::string::npos) << thrown;
    EXPECT_FALSE(thrown.empty());
}

}  // namespace
}  // namespace calyra::formats
