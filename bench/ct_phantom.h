// A CT-like test scan in Hounsfield-like units, shared by the benchmarks
// that need scanner-sized data.
#pragma once

#include "tests/formats/fixture_writers.h"

namespace calyra::bench {

// nx x ny x nz signed 16-bit samples with the given spacing: air around an
// elliptic trunk of soft tissue under a fat rim, two lungs, a liver, two
// kidneys, a spine and a shell of ribs, with noise everywhere. The same
// arguments always give the same values (the noise is a hash of the index).
test::Volume CtPhantom(int nx, int ny, int nz, double sx, double sy, double sz);

}  // namespace calyra::bench
