#include "bench/ct_phantom.h"

#include <cstdint>

namespace calyra::bench {

namespace {

// Integer hash of the voxel index, -0.5 .. 0.5.
double Noise(int x, int y, int z) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 73856093u ^
                      static_cast<std::uint32_t>(y) * 19349663u ^
                      static_cast<std::uint32_t>(z) * 83492791u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h >> 8) & 0xFF) / 255.0 - 0.5;
}

bool InEllipse(double u, double v, double cu, double cv, double ru, double rv) {
    const double a = (u - cu) / ru, b = (v - cv) / rv;
    return a * a + b * b < 1.0;
}

// The level at (u, v, w), each -1 .. 1 over the scan's extent.
double Level(double u, double v, double w) {
    // The trunk narrows a little towards both ends.
    const double taper = 1.0 + 0.12 * w * w;
    const double trunk = (u / 0.86) * (u / 0.86) * taper + (v / 0.62) * (v / 0.62) * taper;
    if (trunk > 1.0) return -1000.0;
    double level = 40.0;               // soft tissue
    if (trunk > 0.82) level = -100.0;  // fat under the skin
    if (trunk > 0.97) level = 10.0;    // skin
    const double ribs = (u / 0.76) * (u / 0.76) + (v / 0.54) * (v / 0.54);
    // Ribs: bands along z in a shell inside the fat.
    if (ribs > 0.86 && ribs < 0.95 && static_cast<int>((w + 1.0) * 9.0) % 2 == 0) level = 900.0;
    if (w > -0.2) {
        // The chest: two lungs.
        for (double side : {-0.4, 0.4}) {
            if (InEllipse(u, v, side, -0.05, 0.28, 0.38)) level = -820.0;
        }
    } else {
        // The abdomen: liver and kidneys.
        if (InEllipse(u, v, -0.3, -0.1, 0.35, 0.3)) level = 60.0;
        for (double side : {-0.3, 0.3}) {
            if (InEllipse(u, v, side, 0.3, 0.1, 0.14)) level = 30.0;
        }
    }
    // The spine: a cortical shell around softer bone.
    const double spine = (u / 0.11) * (u / 0.11) + ((v - 0.42) / 0.11) * ((v - 0.42) / 0.11);
    if (spine < 1.0) level = spine > 0.6 ? 1200.0 : 300.0;
    return level;
}

}  // namespace

test::Volume CtPhantom(int nx, int ny, int nz, double sx, double sy, double sz) {
    test::Volume s;
    s.nx = nx, s.ny = ny, s.nz = nz;
    s.spacing[0] = sx, s.spacing[1] = sy, s.spacing[2] = sz;
    s.type = test::PixelType::I16;
    s.values.resize(static_cast<std::size_t>(nx) * ny * nz);
    std::size_t n = 0;
    for (int k = 0; k < nz; ++k) {
        const double w = nz > 1 ? 2.0 * k / (nz - 1) - 1.0 : 0.0;
        for (int j = 0; j < ny; ++j) {
            const double v = ny > 1 ? 2.0 * j / (ny - 1) - 1.0 : 0.0;
            for (int i = 0; i < nx; ++i, ++n) {
                const double u = nx > 1 ? 2.0 * i / (nx - 1) - 1.0 : 0.0;
                s.values[n] = static_cast<int>(Level(u, v, w) + 40.0 * Noise(i, j, k));
            }
        }
    }
    return s;
}

}  // namespace calyra::bench
