// Opening a 512 x 512 x 300 signed 16-bit scan as NIfTI and as a DICOM series
// (300 files) against reading the same bytes raw: time to a usable store.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "bench/bench_support.h"
#include "bench/ct_phantom.h"
#include "formats/open_volume.h"
#include "tests/formats/fixture_writers.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;
namespace fs = std::filesystem;

constexpr int kX = 512, kY = 512, kZ = 300;

const fs::path& Dir() {
    static const fs::path dir = bench::ScratchFolder("calyra_formats_bench");
    return dir;
}

// The CT-like phantom at the scan's size.
const test::Volume& Scan() {
    static const test::Volume v = bench::CtPhantom(kX, kY, kZ, 1.0, 1.0, 1.0);
    return v;
}

std::string Prepared(const char* name, void (*write)(const std::string&)) {
    const fs::path p = Dir() / name;
    if (!fs::exists(p)) write(p.string());
    return p.string();
}

const std::string& NiftiFile() {
    static const std::string path =
        Prepared("scan.nii", [](const std::string& p) { test::WriteNifti(Scan(), p, 1); });
    return path;
}

const std::string& DicomFolder() {
    static const std::string path = Prepared("dicom", [](const std::string& p) {
        std::vector<std::string> names;
        for (int k = 0; k < kZ; ++k) names.push_back("IM" + std::to_string((k * 7919) % 1000000));
        test::WriteDicomSeries(Scan(), p, names, "1.2.826.0.1.3680043.2.1125.77", 1);
    });
    return path;
}

const std::string& RawFile() {
    static const std::string path = Prepared("scan.raw", [](const std::string& p) {
        std::ofstream out(p, std::ios::binary);
        for (double v : Scan().values) {
            const auto s = static_cast<std::int16_t>(v);
            out.put(char(s & 0xFF)).put(char((s >> 8) & 0xFF));
        }
    });
    return path;
}

// Opens the file or folder that source makes, again and again.
void BM_Open(benchmark::State& state, const std::string& (*source)()) {
    const std::string& path = source();
    const VolumeStore previous;
    for (auto _ : state) {
        const std::shared_ptr<VolumeStore> store = formats::OpenVolume(path, {}, previous);
        if (!store) state.SkipWithError("open failed");
        benchmark::DoNotOptimize(store);
    }
}
BENCHMARK_CAPTURE(BM_Open, Nifti, &NiftiFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Open, DicomSeries, &DicomFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadSameBytesRaw(benchmark::State& state) {
    const std::string path = RawFile();
    const VolumeStore previous;
    ImportParams params;
    params.dimX = kX, params.dimY = kY, params.dimZ = kZ;
    ImportOptions options;
    options.bytesPerVoxel = 2;
    options.reverseBytes = 1;  // little-endian file
    for (auto _ : state) {
        const std::shared_ptr<VolumeStore> store =
            LoadRawVolume(path, RawFormat::Binary, params, options, previous);
        benchmark::DoNotOptimize(store);
    }
}
BENCHMARK(BM_ReadSameBytesRaw)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
