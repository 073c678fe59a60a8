// make_example_scan OUTPUT
//
// Writes the example scan of the README's raw import: 256 x 256 x 64 voxels
// of two bytes, little-endian, x fastest, then y, then z, no header, and the
// side file OUTPUT.inf that describes it. The content is a synthetic MR-like
// head with 12-bit values: a scalp and skull, grey and white matter, dark
// ventricles, and two features that make every axis visible: a bright
// lesion in the left, front, upper part, and a nose that points to -y. A
// flipped, folded or sheared axis shows at once.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kX = 256;
constexpr int kY = 256;
constexpr int kZ = 64;

// Inside-ness of the point (x, y, z) in -1..1 coordinates for an axis-aligned
// ellipsoid: below 1 inside.
double Ellipsoid(double x, double y, double z, double cx, double cy, double cz, double a, double b,
                 double c) {
    const double dx = (x - cx) / a;
    const double dy = (y - cy) / b;
    const double dz = (z - cz) / c;
    return dx * dx + dy * dy + dz * dz;
}

std::uint16_t Intensity(int i, int j, int k) {
    // Voxel centres in -1..1; z runs from the neck (-1) to the crown (1).
    const double x = (i + 0.5) / kX * 2.0 - 1.0;
    const double y = (j + 0.5) / kY * 2.0 - 1.0;
    const double z = (k + 0.5) / kZ * 2.0 - 1.0;
    double value = 0.0;
    const double head = Ellipsoid(x, y, z, 0.0, 0.0, -0.15, 0.72, 0.86, 1.05);
    const double nose = Ellipsoid(x, y, z, 0.0, -0.86, -0.35, 0.10, 0.16, 0.22);
    if (head < 1.0 || nose < 1.0) value = 900.0;  // scalp and soft tissue
    if (Ellipsoid(x, y, z, 0.0, 0.0, -0.15, 0.68, 0.82, 1.0) < 1.0) value = 300.0;     // skull
    if (Ellipsoid(x, y, z, 0.0, 0.02, -0.12, 0.64, 0.78, 0.95) < 1.0) value = 1500.0;  // grey
    if (Ellipsoid(x, y, z, 0.0, 0.02, -0.05, 0.50, 0.64, 0.78) < 1.0) value = 2300.0;  // white
    // Ventricles, a pair shaped like commas.
    for (const double side : {-1.0, 1.0}) {
        if (Ellipsoid(x, y, z, 0.12 * side, -0.05, 0.0, 0.07, 0.30, 0.35) < 1.0) value = 500.0;
    }
    // The lesion: left (x < 0), front (y < 0), upper (z > 0).
    if (Ellipsoid(x, y, z, -0.32, -0.35, 0.45, 0.11, 0.11, 0.25) < 1.0) value = 3900.0;
    // A gentle coil shading, so the field is not flat.
    value *= 1.0 - 0.12 * (x + 1.0) * 0.5;
    // Deterministic texture.
    const unsigned hash = (static_cast<unsigned>(i) * 73856093u) ^
                          (static_cast<unsigned>(j) * 19349663u) ^
                          (static_cast<unsigned>(k) * 83492791u);
    if (value > 0.0) value += static_cast<double>(hash % 61u) - 30.0;
    return static_cast<std::uint16_t>(std::clamp(value, 0.0, 4095.0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example_scan OUTPUT\n");
        return 2;
    }
    const std::string path = argv[1];
    std::vector<unsigned char> bytes(std::size_t{kX} * kY * kZ * 2);
    std::size_t n = 0;
    for (int k = 0; k < kZ; ++k) {
        for (int j = 0; j < kY; ++j) {
            for (int i = 0; i < kX; ++i) {
                const std::uint16_t v = Intensity(i, j, k);
                bytes[n++] = static_cast<unsigned char>(v & 0xFF);  // little-endian
                bytes[n++] = static_cast<unsigned char>(v >> 8);
            }
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    // Little-endian: the first byte of a voxel is the low byte, so the byte
    // order is reversed against the reader's default.
    std::ofstream side(path + ".inf");
    side << "X= " << kX << "\nY= " << kY << "\nZ= " << kZ << "\nbinary\n2\n1\n0\n";
    if (!out || !side) {
        std::fprintf(stderr, "make_example_scan: could not write %s\n", path.c_str());
        return 1;
    }
    return 0;
}
