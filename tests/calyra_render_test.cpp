// The batch renderer end to end: options, exit status, dump and store formats.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status;
    std::string out;
};

// Runs calyra-render with args in dir; stdout captured, stderr to stdout.
RunResult RunRender(const std::string& args, const fs::path& dir = fs::temp_directory_path()) {
    const std::string command =
        "cd '" + dir.string() + "' && '" CALYRA_RENDER_EXE "' " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(CalyraRender, DumpsTheBuffersInTheDocumentedFormat) {
    const RunResult run = RunRender("--model ball --type slice --dump -");
    ASSERT_EQ(run.status, 0) << run.out;
    std::istringstream in(run.out);
    std::string word;
    int version, dims[3], size, mirror, w, h, displayMax;
    unsigned maxValue;
    in >> word >> version;
    EXPECT_EQ(word, "calyra-dump");
    in >> word >> dims[0] >> dims[1] >> dims[2] >> size >> maxValue >> mirror;
    EXPECT_EQ(word, "volume");
    EXPECT_EQ(dims[0], 64);
    EXPECT_EQ(maxValue, 256u);
    in >> word >> w >> h >> displayMax;
    EXPECT_EQ(word, "image");
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 64);
    long long value;
    for (int k = 0; k < w * h; ++k) ASSERT_TRUE(in >> value);
    in >> word;
    EXPECT_EQ(word, "depth");
    for (int k = 0; k < 2 + w * h; ++k) ASSERT_TRUE(in >> value);
    EXPECT_EQ(value, 1);  // Slice rays always stop at the first step
}

TEST(CalyraRender, WritesTheWholeStoreZFastest) {
    const fs::path file = fs::temp_directory_path() / "calyra_store.bin";
    const RunResult run = RunRender("--model monkey --dump-volume '" + file.string() + "'");
    ASSERT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(fs::file_size(file), 65u * 65 * 65);
    fs::remove(file);
}

TEST(CalyraRender, InterpolationDoublesTheRaysAndThePixelStep) {
    const RunResult run = RunRender("--model ball --interp --type transparent --threshold 0 --dump -");
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\nimage 256 256 "), std::string::npos);
}

TEST(CalyraRender, AMissingHeadFileIsAFailureWithItsMessage) {
    const fs::path dir = fs::temp_directory_path() / "calyra_no_head";
    fs::create_directories(dir);
    const RunResult run = RunRender("--model head --dump /dev/null", dir);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Could not read file sm3dhead"), std::string::npos);
}

TEST(CalyraRender, UsageErrorsExitWithTwo) {
    EXPECT_EQ(RunRender("--model teapot").status, 2);
    EXPECT_EQ(RunRender("--type glass").status, 2);
    EXPECT_EQ(RunRender("--snap-world sideways").status, 2);
    EXPECT_EQ(RunRender("--dims 1 2").status, 2);
    EXPECT_EQ(RunRender("--help").status, 0);
}

TEST(CalyraRender, RefusedImportParametersGiveTheRefusalMessage) {
    const fs::path data = fs::temp_directory_path() / "calyra_cube.raw";
    std::ofstream(data, std::ios::binary) << std::string(8, '\x10');
    const RunResult big = RunRender("--raw '" + data.string() + "' --dims 301 300 300 --dump /dev/null");
    EXPECT_EQ(big.status, 2);
    EXPECT_NE(big.out.find("Sorry, please look over the parameters again"), std::string::npos);
    const RunResult missingSide = RunRender("--raw '" + data.string() + "' --dump /dev/null");
    EXPECT_EQ(missingSide.status, 2);
    EXPECT_NE(missingSide.out.find(".inf"), std::string::npos);
    EXPECT_NE(missingSide.out.find("--dims"), std::string::npos) << missingSide.out;
    const RunResult ok = RunRender("--raw '" + data.string() + "' --dims 2 2 2 --dump -");
    EXPECT_EQ(ok.status, 0) << ok.out;
    // Every voxel is there, shown unfolded: maxValue 16, mirrorZ 0.
    EXPECT_NE(ok.out.find("volume 2 2 2 2 16 0"), std::string::npos) << ok.out;
    const RunResult wide = RunRender("--raw '" + data.string() + "' --dims 2 2 2 --bytes 3 --dump -");
    EXPECT_EQ(wide.status, 2);
    EXPECT_NE(wide.out.find("bytes per voxel 3: binary files take 1 or 2"), std::string::npos)
        << wide.out;
    fs::remove(data);
}

TEST(CalyraRender, NamesAMissingDataFileAsTheDataFile) {
    const RunResult run = RunRender("--raw /nonexistent/scan.raw --dims 4 4 4 --dump /dev/null");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("Could not read file /nonexistent/scan.raw\n"), std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find(".inf"), std::string::npos) << run.out;
}

TEST(CalyraRender, ShortAndLongFilesLoadWithANoteAndSucceed) {
    const fs::path data = fs::temp_directory_path() / "calyra_short.raw";
    std::ofstream(data, std::ios::binary) << std::string(1000, '\x40');
    const RunResult shortRun = RunRender("--raw '" + data.string() + "' --dims 10 10 20 --dump /dev/null");
    EXPECT_EQ(shortRun.status, 0) << shortRun.out;
    EXPECT_NE(shortRun.out.find("holds 1000 bytes, the shape needs 2000 bytes"), std::string::npos)
        << shortRun.out;
    const RunResult longRun = RunRender("--raw '" + data.string() + "' --dims 10 10 9 --dump /dev/null");
    EXPECT_EQ(longRun.status, 0) << longRun.out;
    EXPECT_NE(longRun.out.find("The last 100 bytes were not read."), std::string::npos)
        << longRun.out;
    const RunResult header =
        RunRender("--raw '" + data.string() + "' --dims 10 10 9 --header-bytes 100 --dump /dev/null");
    EXPECT_EQ(header.status, 0);
    EXPECT_TRUE(header.out.empty()) << header.out;
    fs::remove(data);
}

TEST(CalyraRender, ImportsTheExampleScanIntoAPictureThatIsNotBlank) {
    const fs::path scan = CALYRA_EXAMPLE_SCAN;
    const RunResult run = RunRender("--raw '" + scan.string() +
                                    "' --type surface --threshold 0.3 --rotate-plane 0.5 -0.35 "
                                    "--dump -");
    ASSERT_EQ(run.status, 0) << run.out.substr(0, 500);
    std::istringstream in(run.out);
    std::string word;
    int dims[3], size, mirror, w, h;
    unsigned maxValue;
    long long displayMax;
    in >> word >> word >> word >> dims[0] >> dims[1] >> dims[2] >> size >> maxValue >> mirror;
    EXPECT_EQ(dims[0], 256);
    EXPECT_EQ(dims[2], 64);
    EXPECT_EQ(maxValue, 255u);
    EXPECT_EQ(mirror, 0);
    in >> word >> w >> h >> displayMax;
    long long value, lit = 0;
    for (int k = 0; k < w * h && in >> value; ++k) lit += value > 0;
    // The head fills a good part of the picture, and not all of it.
    EXPECT_GT(lit, w * h / 10);
    EXPECT_LT(lit, w * h);
}

TEST(CalyraRender, OutputIsTheSameForAnyThreadCount) {
    const std::string scene = "--model cone --interp --rotate-plane 0.3 0.2 --dump -";
    const RunResult one = RunRender(scene + " --threads 1");
    const RunResult three = RunRender(scene + " --threads 3");
    ASSERT_EQ(one.status, 0);
    EXPECT_EQ(one.out, three.out);
}

}  // namespace
