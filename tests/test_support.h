// Shared helpers for the core tests: a clean process state per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/messages.h"
#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/display_map.h"
#include "render/ray_driver.h"
#include "render/user_settings.h"
#include "render/weights.h"
#include "volume/volume_store.h"

namespace calyra::test {

// The rendering settings the user changes, as at program start.
inline void ResetUserSettings() {
    ApplyUserSettings(kStartupSettings);
}

// Restores every process-wide setting to its start-up value.
inline void ResetProgramState() {
    ResetOrientation();
    ResetUserSettings();
    renderPending = false;
    modelType = ModelType::Ball;
    loadCount = 0;
    SetStoreBound(kMaxStoreBytes);
    AllocateVolume(0, 0, 0);
    VoxelVolume.dims = Int3{};
    VoxelVolume.size = 64;
    VoxelVolume.maxValue = 0;
    VoxelVolume.mirrorZ = 1;
    VoxelVolume.source = VolumeSource::Ball;
    SetMessageSink({});
}

// An n x n x n volume (box side n) whose voxel at store indices x, y, z in
// 1..n is voxel(x, y, z), visited x, then y, then z fastest; maxValue is the
// largest of them.
template <typename Voxel>
void FillCube(int n, Voxel voxel) {
    ASSERT_EQ(AllocateVolume(n, n, n), 1);
    PublishShape(n, n, n, n);
    std::uint8_t largest = 0;
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            for (int z = 1; z <= n; ++z) {
                const auto v = static_cast<std::uint8_t>(voxel(x, y, z));
                VoxelVolume.voxels[x][y][z] = v;
                largest = std::max(largest, v);
            }
    VoxelVolume.maxValue = largest;
    MarkVolumeChanged();
}

// Collects the messages the core reports while it lives.
class MessageRecorder {
  public:
    MessageRecorder() {
        SetMessageSink([this](const Message& m) { messages.push_back(m); });
    }
    ~MessageRecorder() { SetMessageSink({}); }
    std::vector<Message> messages;
};

// Names the cases of a parameterised test after their label field.
inline constexpr auto kByLabel = [](const auto& paramInfo) {
    return std::string(paramInfo.param.label);
};

// Everything one render leaves behind: the whole buffers and the display maximum.
struct RenderOutputs {
    std::vector<std::uint32_t> image;
    std::vector<std::int32_t> depth;
    std::int32_t max;
    bool operator==(const RenderOutputs&) const = default;
};

// Renders with the rays the render window asks for and keeps the outputs;
// trim leaves rays off the row ends (so that the last group of vector lanes
// can be a partial one).
inline RenderOutputs RenderOutputsOf(RenderType type, int trim = 0) {
    const int rays = RaysPerSide();
    RenderImage(rays - trim, rays, ImageBuffer, type);
    return {std::vector<std::uint32_t>(std::begin(ImageBuffer), std::end(ImageBuffer)),
            std::vector<std::int32_t>(std::begin(DepthBuffer), std::end(DepthBuffer)), displayMax};
}

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

}  // namespace calyra::test
