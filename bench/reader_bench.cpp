// The raw readers on generated files of 16 MiB and more.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_support.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace {

using namespace calyra;
namespace fs = std::filesystem;

const fs::path& Dir() {
    static const fs::path dir = bench::ScratchFolder("calyra_reader_bench");
    return dir;
}

// 256 x 256 x 256 one-byte voxels: 16 MiB.
const std::string& BinaryFile() {
    static const std::string path = [] {
        const fs::path p = Dir() / "binary256.raw";
        if (!fs::exists(p) || fs::file_size(p) != (1u << 24)) {
            std::ofstream out(p, std::ios::binary);
            std::string slice(1 << 16, '\0');
            for (int z = 0; z < 256; ++z) {
                for (std::size_t k = 0; k < slice.size(); ++k)
                    slice[k] = static_cast<char>((k * 31 + z) & 0xFF);
                out.write(slice.data(), static_cast<std::streamsize>(slice.size()));
            }
        }
        return p.string();
    }();
    return path;
}

// 192^3 decimal numbers, about 25 MB of text.
const std::string& AsciiFile() {
    static const std::string path = [] {
        const fs::path p = Dir() / "ascii192.txt";
        if (!fs::exists(p)) {
            std::ofstream out(p);
            std::string line;
            for (int k = 0; k < 192 * 192 * 192; ++k) {
                line += std::to_string((k * 37) % 4000 - 1000);
                line += (k % 16 == 15) ? '\n' : ' ';
                if (line.size() > 65536) {
                    out << line;
                    line.clear();
                }
            }
            out << line;
        }
        return p.string();
    }();
    return path;
}

void Load(const std::string& path, RawFormat format, int n, benchmark::State& state) {
    ImportParams params;
    params.dimX = params.dimY = params.dimZ = n;
    ImportOptions options;
    const VolumeStore previous;
    for (auto _ : state) {
        const std::shared_ptr<VolumeStore> store =
            LoadRawVolume(path, format, params, options, previous);
        benchmark::DoNotOptimize(store->maxValue);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(fs::file_size(path)));
}

void BM_ReadBinary(benchmark::State& state) {
    Load(BinaryFile(), RawFormat::Binary, 256, state);
}
void BM_ReadAscii(benchmark::State& state) {
    Load(AsciiFile(), RawFormat::Ascii, 192, state);
}

// What a load of a new shape costs before any voxel is read: a fresh block
// for 256^3 voxels, zeroed, so every page is touched for the first time.
void BM_NewStoreFirstTouch(benchmark::State& state) {
    for (auto _ : state) {
        VolumeStore store;
        AllocateVolume(store, 256, 256, 256);
        benchmark::DoNotOptimize(store.voxels);
        state.PauseTiming();
        AllocateVolume(store, 0, 0, 0);  // gives the large block back
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(StoreBytes(256, 256, 256)));
}

BENCHMARK(BM_ReadBinary)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_NewStoreFirstTouch)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadAscii)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
