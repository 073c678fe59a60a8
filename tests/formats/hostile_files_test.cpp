// Files whose headers lie: each makes calyra-render exit 2 with a message
// naming the file, within seconds, without allocating what the header asks.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <tiffio.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/address_space_limit.h"
#include "tests/formats/fixture_writers.h"
#include "tests/temp_folder.h"

namespace calyra::test {
namespace {

namespace fs = std::filesystem;

struct RunResult {
    int status = -1;
    std::string output;
};

// Runs calyra-render with a time limit, and a memory limit unless the
// sanitizers (which reserve terabytes of address space) are in.
RunResult RunRender(const std::string& args) {
    const std::string limit = test::AddressSpaceLimit::Possible() ? "ulimit -v 4000000; " : "";
    const std::string command =
        limit + "timeout 30 " CALYRA_RENDER_EXE " " + args + " 2>&1 >/dev/null";
    RunResult run;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        run.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Dir() {
    static const TempFolder dir("calyra_hostile_files");
    return dir.path().string();
}

void WriteGzip(const std::string& path, const std::string& head, std::size_t zeros) {
    gzFile gz = gzopen(path.c_str(), "wb9");
    gzwrite(gz, head.data(), unsigned(head.size()));
    const std::string block(1 << 20, '\0');
    for (std::size_t done = 0; done < zeros; done += block.size())
        gzwrite(gz, block.data(), unsigned(block.size()));
    gzclose(gz);
}

// A NIfTI-1 header of 352 bytes (with the extension flag) for nx ny nz uint8.
std::string NiftiHeader(int nx, int ny, int nz) {
    std::string h(352, '\0');
    const auto put32 = [&h](std::size_t at, std::int32_t v) { std::memcpy(&h[at], &v, 4); };
    const auto put16 = [&h](std::size_t at, std::int16_t v) { std::memcpy(&h[at], &v, 2); };
    const auto putf = [&h](std::size_t at, float v) { std::memcpy(&h[at], &v, 4); };
    put32(0, 348);
    const std::int16_t dims[8] = {3, std::int16_t(nx), std::int16_t(ny), std::int16_t(nz), 1, 1, 1,
                                  1};
    for (int i = 0; i < 8; ++i) put16(40 + 2 * i, dims[i]);
    put16(70, 2);  // DT_UINT8
    put16(72, 8);
    for (int i = 0; i < 8; ++i) putf(76 + 4 * i, 1.0f);
    putf(108, 352.0f);
    std::memcpy(&h[344], "n+1\0", 4);
    return h;
}

using Make = std::function<void(const std::string& path)>;

// A file of just this text.
Make Text(std::string text) {
    return [text](const std::string& p) { std::ofstream(p) << text; };
}

// A text header followed by gzip data of `zeros` zero bytes.
Make TextThenGzip(std::string header, std::size_t zeros) {
    return [header, zeros](const std::string& p) {
        std::ofstream(p) << header;
        WriteGzip(p + ".gz", "", zeros);
        std::ifstream in(p + ".gz", std::ios::binary);
        std::ofstream(p, std::ios::app | std::ios::binary) << in.rdbuf();
    };
}

// A DICOM file: the preamble, the mark, then these bytes.
template <std::size_t N>
Make Dicom(const char (&body)[N]) {
    return Text(std::string(128, '\0') + "DICM" + std::string(body, N - 1));
}

// Found by fuzzing: the library's header scan asserts on this element.
const char kScanAsserts[] =
    "\004\000\003\000UI@\0001.2.826.0.1.3680043.2.1125.1.30987200660072435297014035894373717"
    "\002\000\020\000UI\022\0001.2.840.10008.1.2\000\002\000\022\000UI>\0001.2.826.0.1.36800"
    "43.2.1143.107.104.1\000\000\006\000(\000\021\000\002\000\000\000\010\000(\0000\000\004"
    "\000\000\0001\1341 (\000\000\001\002\000\000\000\010\000(\000\001\001\002\000\000\000"
    "\010\000\000U\351";

struct Hostile {
    const char* name;
    Make make;
};

const Hostile kHostile[] = {
    {"short.nrrd", Text("NRRD0004\ntype: uint16\ndimension: 3\nsizes: 100 100 100\nencoding: raw\n"
                        "endian: little\n\n0123456789")},
    {"overflow.nrrd",
     Text("NRRD0004\ntype: double\ndimension: 3\nsizes: 4294967295 4294967295 4294967295\n"
          "encoding: raw\nendian: little\n\n0123456789")},
    {"bound.nrrd",
     TextThenGzip("NRRD0004\ntype: uchar\ndimension: 3\nsizes: 3000 3000 3000\nencoding: gzip\n\n",
                  1 << 20)},
    {"device.nhdr", Text("NRRD0004\ntype: uchar\ndimension: 3\nsizes: 64 64 64\nencoding: raw\n"
                         "data file: /dev/zero\n\n")},
    {"bomb.nii.gz",
     [](const std::string& p) { WriteGzip(p, NiftiHeader(16, 16, 16), std::size_t(64) << 20); }},
    {"bomb.nrrd",
     TextThenGzip("NRRD0004\ntype: uchar\ndimension: 3\nsizes: 16 16 16\nencoding: gzip\n\n",
                  std::size_t(64) << 20)},
    {"bomb.mha",
     [](const std::string& p) {
         std::ofstream(p)
             << "ObjectType = Image\nNDims = 3\nDimSize = 16 16 16\nElementType = MET_UCHAR\n"
                "CompressedData = True\nElementDataFile = LOCAL\n";
         const std::string zeros(std::size_t(64) << 20, '\0');
         std::vector<Bytef> packed(compressBound(zeros.size()));
         uLongf size = packed.size();
         compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(zeros.data()), zeros.size(),
                   9);
         std::ofstream(p, std::ios::app | std::ios::binary)
             .write(reinterpret_cast<char*>(packed.data()), size);
     }},
    {"promise.nii.gz",
     [](const std::string& p) { WriteGzip(p, NiftiHeader(30000, 30000, 30000), 1 << 16); }},
    {"short.nii", Text(NiftiHeader(200, 200, 200) + "abc")},
    {"short.mha", Text("ObjectType = Image\nNDims = 3\nDimSize = 300 300 300\n"
                       "ElementType = MET_SHORT\nElementDataFile = LOCAL\nxyz")},
    {"pages.tif",
     [](const std::string& p) {
         TIFF* t = TIFFOpen(p.c_str(), "w");
         for (int page = 0; page < 2; ++page) {
             const std::uint32_t w = page ? 12 : 8, h = 8;
             TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
             TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
             TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
             TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
             TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
             TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, h);
             std::string row(w, '\x40');
             for (std::uint32_t y = 0; y < h; ++y) TIFFWriteScanline(t, row.data(), y, 0);
             TIFFWriteDirectory(t);
         }
         TIFFClose(t);
     }},
    {"sizes",
     [](const std::string& p) {
         Volume a;
         a.nx = 8, a.ny = 8, a.nz = 2, a.type = PixelType::I16;
         a.values.assign(128, 5.0);
         Volume b = a;
         b.nx = 10, b.values.assign(160, 7.0);
         b.spacing[2] = 3.0;
         WriteDicomSeries(a, p, {"s1", "s2"}, "1.2.826.0.1.3680043.2.1125.9", 1);
         WriteDicomSeries(b, p, {"s3", "s4"}, "1.2.826.0.1.3680043.2.1125.9", 1);
     }},
    {"unknown.xyz", Text("hello")},
    {"scan.dcm", Dicom(kScanAsserts)},
};

class HostileFile : public ::testing::TestWithParam<Hostile> {};

TEST_P(HostileFile, ExitsWithStatus2AndAMessageNamingIt) {
    const std::string path = Dir() + "/" + GetParam().name;
    GetParam().make(path);
    const RunResult run = RunRender("--open " + path + " --dump-volume /dev/null");
    EXPECT_EQ(run.status, 2) << run.output;
    EXPECT_NE(run.output.find(path), std::string::npos) << run.output;
    // Our words only: no library's assertion, source line or stack.
    for (const char* text : {"Assertion", "assert", ".txx", ".cxx", ".h:", "#0 "}) {
        EXPECT_EQ(run.output.find(text), std::string::npos) << text << " in " << run.output;
    }
    fs::remove_all(path);
}

INSTANTIATE_TEST_SUITE_P(Headers, HostileFile, ::testing::ValuesIn(kHostile),
                         [](const auto& paramInfo) {
                             std::string n = paramInfo.param.name;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

TEST(OpenOption, BelongsToItsOwnSource) {
    EXPECT_EQ(RunRender("--window 0 10").status, 2);
    EXPECT_EQ(RunRender("--no-resample").status, 2);
    EXPECT_EQ(RunRender("--model ball --open x.nrrd").status, 2);
    EXPECT_EQ(RunRender("--open x.nrrd --window 10 0").status, 2);
}

TEST(OpenOption, RendersAnOpenedVolume) {
    Volume v;
    v.nx = v.ny = v.nz = 16;
    v.type = PixelType::I16;
    for (int n = 0; n < 16 * 16 * 16; ++n) v.values.push_back(n % 16 < 8 ? -1000 : 1000);
    const std::string path = Dir() + "/render.nrrd";
    WriteWithToolkit(v, path);
    const std::string dump = Dir() + "/render.dump";
    const RunResult run = RunRender("--open " + path + " --window -500 500 --dump " + dump);
    ASSERT_EQ(run.status, 0) << run.output;
    std::ifstream in(dump);
    std::string magic, volume;
    int dx = 0, dy = 0, dz = 0, size = 0, maxValue = 0;
    in >> magic >> magic >> volume >> dx >> dy >> dz >> size >> maxValue;
    EXPECT_EQ(dx, 16);
    EXPECT_EQ(size, 16);
    EXPECT_EQ(maxValue, 255);
}

}  // namespace
}  // namespace calyra::test
