// The MRI head data set "sm3dhead": 128^3 bytes, x fastest, read from the
// working directory, else from the data search path (volume/file_open.h).
#pragma once

namespace calyra {

struct VolumeStore;

inline constexpr const char* kHeadFileName = "sm3dhead";

// Fills the 128^3 store (already allocated) from "sm3dhead" in 32,768-byte
// blocks of two slices; file slice n goes to z = n + 1. Sets maxValue.
void LoadHeadVolume(VolumeStore& v);

}  // namespace calyra
