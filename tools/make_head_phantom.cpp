// make_head_phantom OUTPUT
//
// Writes the 128 x 128 x 128 head data set the viewer loads as "sm3dhead":
// one unsigned byte per voxel, x fastest, then y, then z, no header. The
// content is the three-dimensional modified Shepp-Logan head phantom, ten
// ellipsoids, with grey levels chosen for a volume viewer: a bright skull, a
// mid-grey brain, darker ventricles and brighter small features.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int kSide = 128;
constexpr double kPi = 3.14159265358979323846;

struct Ellipsoid {
    double density;          // added inside the ellipsoid
    double a, b, c;          // half axes along x, y, z
    double x0, y0, z0;       // centre
    double phi, theta, psi;  // Euler angles in degrees (z, x, z)
};

// The phantom's table with our own densities (skull 1.0, brain 0.3,
// ventricles 0.1, features 0.45). The viewer folds the upper half of z onto
// the lower half, so the two small round features sit below the centre
// (z0 = -0.25) rather than above it: every feature then shows.
constexpr Ellipsoid kHead[] = {
    {1.00, 0.6900, 0.920, 0.810, 0.00, 0.0000, 0.00, 0, 0, 0},      // skull
    {-0.70, 0.6624, 0.874, 0.780, 0.00, -0.0184, 0.00, 0, 0, 0},    // brain
    {-0.20, 0.1100, 0.310, 0.220, 0.22, 0.0000, 0.00, -18, 0, 10},  // right ventricle
    {-0.20, 0.1600, 0.410, 0.280, -0.22, 0.0000, 0.00, 18, 0, 10},  // left ventricle
    {0.15, 0.2100, 0.250, 0.410, 0.00, 0.3500, -0.15, 0, 0, 0},
    {0.15, 0.0460, 0.046, 0.050, 0.00, 0.1000, -0.25, 0, 0, 0},
    {0.15, 0.0460, 0.046, 0.050, 0.00, -0.1000, -0.25, 0, 0, 0},
    {0.15, 0.0460, 0.023, 0.050, -0.08, -0.6050, 0.00, 0, 0, 0},
    {0.15, 0.0230, 0.023, 0.020, 0.00, -0.6060, 0.00, 0, 0, 0},
    {0.15, 0.0230, 0.046, 0.020, 0.06, -0.6050, 0.00, 0, 0, 0},
};

struct Placed {
    double density;
    double rotation[3][3];
    double centre[3];
    double inverseSquares[3];
};

Placed Place(const Ellipsoid& e) {
    const double phi = e.phi * kPi / 180.0;
    const double theta = e.theta * kPi / 180.0;
    const double psi = e.psi * kPi / 180.0;
    const double cphi = std::cos(phi), sphi = std::sin(phi);
    const double ctheta = std::cos(theta), stheta = std::sin(theta);
    const double cpsi = std::cos(psi), spsi = std::sin(psi);
    return Placed{
        e.density,
        {{cpsi * cphi - ctheta * sphi * spsi, cpsi * sphi + ctheta * cphi * spsi, spsi * stheta},
         {-spsi * cphi - ctheta * sphi * cpsi, -spsi * sphi + ctheta * cphi * cpsi, cpsi * stheta},
         {stheta * sphi, -stheta * cphi, ctheta}},
        {e.x0, e.y0, e.z0},
        {1.0 / (e.a * e.a), 1.0 / (e.b * e.b), 1.0 / (e.c * e.c)},
    };
}

// Density at a point of the phantom's cube -1..1 on each axis.
double Density(const std::vector<Placed>& parts, const double p[3]) {
    double sum = 0.0;
    for (const Placed& e : parts) {
        double q = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double r = e.rotation[i][0] * p[0] + e.rotation[i][1] * p[1] +
                             e.rotation[i][2] * p[2] - e.centre[i];
            q += r * r * e.inverseSquares[i];
        }
        if (q <= 1.0) sum += e.density;
    }
    return sum;
}

std::vector<std::uint8_t> MakePhantom() {
    std::vector<Placed> parts;
    for (const Ellipsoid& e : kHead) parts.push_back(Place(e));
    std::vector<std::uint8_t> out(std::size_t{kSide} * kSide * kSide);
    // Voxel centres map onto -1..1; the file's y runs down the screen, the
    // phantom's y up it.
    const auto coordinate = [](int i) { return (2.0 * i + 1.0) / kSide - 1.0; };
    std::size_t n = 0;
    for (int z = 0; z < kSide; ++z) {
        for (int y = 0; y < kSide; ++y) {
            for (int x = 0; x < kSide; ++x) {
                const double p[3] = {coordinate(x), -coordinate(y), coordinate(z)};
                const double grey = std::floor(Density(parts, p) * 255.0 + 0.5);
                out[n++] = static_cast<std::uint8_t>(std::clamp(grey, 0.0, 255.0));
            }
        }
    }
    return out;
}

// Writes beside the target and renames, so a reader never sees half a file.
bool WriteAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (!ec) return true;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_head_phantom OUTPUT\n");
        return 2;
    }
    if (!WriteAtomically(argv[1], MakePhantom())) {
        std::fprintf(stderr, "make_head_phantom: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
