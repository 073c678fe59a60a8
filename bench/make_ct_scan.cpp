// Writes the CT-like benchmark scan as NIfTI: 512 x 512 x 300 signed 16-bit
// samples, spacing 0.7 x 0.7 x 1.0 mm.
//   calyra_make_ct_scan PATH      (PATH ends in .nii)
// bench/compare_with_commit.sh writes it to build/ct512.nii; other
// benchmarks find it through the environment variable CALYRA_CT.
#include <cstdio>

#include "bench/ct_phantom.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PATH.nii\n", argv[0]);
        return 2;
    }
    calyra::test::WriteNifti(calyra::bench::CtPhantom(512, 512, 300, 0.7, 0.7, 1.0), argv[1], 1);
    std::printf("%s\n", argv[1]);
    return 0;
}
