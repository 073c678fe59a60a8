// Shared helpers for the core tests: a clean process state per test.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/messages.h"
#include "geometry/orientation.h"
#include "render/buffers.h"
#include "render/user_settings.h"
#include "render/weights.h"
#include "volume/volume_store.h"

namespace calyra::test {

// Restores every process-wide setting to its start-up value.
inline void ResetProgramState() {
    ResetOrientation();
    renderType = Surface;
    threshold = 0.1f;
    interpolate = false;
    gradientShading = true;
    stereo = false;
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

// Collects the messages the core reports while it lives.
class MessageRecorder {
  public:
    MessageRecorder() {
        SetMessageSink([this](const Message& m) { messages.push_back(m); });
    }
    ~MessageRecorder() { SetMessageSink({}); }
    std::vector<Message> messages;
};

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProgramState(); }
    void TearDown() override { ResetProgramState(); }
};

}  // namespace calyra::test
