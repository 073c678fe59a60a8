// Built-in volumes: the ball model, four implicit surfaces voxelised on a
// regular grid, and the MRI head (head_loader.h). BuildVolume dispatches on
// the store's source.
#pragma once

#include <cstdint>

#include "volume/model_type.h"
#include "volume/volume_store.h"

namespace calyra {

using ImplicitFunction = float (*)(float x, float y, float z);

float HyperboloidFunction(float x, float y, float z);   // x^2 + y^2 - 0.25 z^2 - 1
float ConeFunction(float x, float y, float z);          // x^2 + y^2 - 0.5 z^2
float MonkeySaddleFunction(float x, float y, float z);  // (3x^2 - y^2) y + z

// Value of the cell with lowest corner (x, y, z) and edges dx, dy, dz: 0 when
// the surface misses it, else lo..hi by how evenly it splits the corners.
std::int32_t ClassifyCell(float x, float y, float z, float dx, float dy, float dz, std::int32_t lo,
                          std::int32_t hi, ImplicitFunction f);

// Fills voxels[i][j][k], i, j, k = 0..n-1, over the box -xLow..xHigh etc.;
// a zero cell value leaves the voxel as it was.
void VoxelizeImplicit(VolumeStore& v, std::int32_t lo, std::int32_t hi, float xLow, float xHigh,
                      float yLow, float yHigh, float zLow, float zHigh, std::int32_t n,
                      ImplicitFunction f);

// Runs the voxelisation(s) of model, one of the math models, into the
// allocated store.
void BuildMathModel(VolumeStore& v, ModelType model);

// One spherical shell of value 150, about two voxels thick.
void DrawBallShell(VolumeStore& v, std::int32_t cx, std::int32_t cy, std::int32_t cz,
                   std::int32_t r);
// Head, eyes and ears for edge length e.
void BuildBallModel(VolumeStore& v, std::int32_t e);

// Builds the volume for v.source into v (model picks the math model). False
// when the store could not be allocated: its dims are then 0, 0, 0 and the
// failure has been reported.
bool BuildVolume(VolumeStore& v, ModelType model);

// The builder of a model, as the render window maps it (the file import maps
// to the head's).
VolumeSource SourceForModel(ModelType model);

}  // namespace calyra
