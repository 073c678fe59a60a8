// A transfer function as the renderer reads it: 4096 opacities and colours
// over the volume's range, built once per render.
#pragma once

#include "render/transfer_function.h"

namespace calyra {

struct TfTables {
    static constexpr int kEntries = 4096;
    float opacity[kEntries];
    float colour[kEntries][3];
    bool shading;
    // Off: 0, 0, 0 and 1, unused.
    float ka, kd, ks;
    int p;
};

// The x entry e stands for: F(16 e + 8), F(f) = lo + (f * (hi - lo)) / 65535.
double TfEntryX(int e, double lo, double hi);

// Entry e holds the opacity and colour at TfEntryX(e, lo, hi), each clamped to
// 0..1 (NaN counts as 0); with interpolate the opacity is 1 - sqrt(1 - a),
// for the half-length steps. Everything in double, kept as float. Sorted
// points over a range with lo <= hi take one walk; anything else is searched
// entry by entry, to the same result.
void BuildTfTables(const TransferFunction& tf, double lo, double hi, bool interpolate,
                   TfTables& out);

}  // namespace calyra
