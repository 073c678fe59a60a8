// Shared helpers for the core tests: a fresh session per test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/messages.h"
#include "render/session.h"
#include "render/weights.h"
#include "volume/volume_store.h"

namespace calyra::test {

// The store a test fills and changes: the session's own. Tests change it in
// place between renders on one thread (and then call MarkVolumeChanged), which
// the program never does to a store it shows.
inline VolumeStore& Store(Session& session) {
    return const_cast<VolumeStore&>(session.volume());
}

// Gives the session a new, empty store to fill (the program's replacement of
// a volume, without the reset of the settings).
inline VolumeStore& NewStore(Session& session) {
    session.ReplaceVolume(std::make_shared<VolumeStore>(), false);
    return Store(session);
}

// An n x n x n volume (box side n) whose voxel at store indices x, y, z in
// 1..n is voxel(x, y, z), visited x, then y, then z fastest; maxValue is the
// largest of them, and the fine store is the bytes' (257 x each, 0..255).
template <typename Voxel>
void FillCube(Session& session, int n, Voxel voxel) {
    VolumeStore& v = NewStore(session);
    ASSERT_EQ(AllocateVolume(v, n, n, n), 1);
    PublishShape(v, n, n, n, n);
    std::uint8_t largest = 0;
    for (int x = 1; x <= n; ++x)
        for (int y = 1; y <= n; ++y)
            for (int z = 1; z <= n; ++z) {
                const auto value = static_cast<std::uint8_t>(voxel(x, y, z));
                v.voxels[x][y][z] = value;
                largest = std::max(largest, value);
            }
    v.maxValue = largest;
    FineFromBytes(v);
    MarkVolumeChanged(v);
}

// A small volume with air, a noisy body, a bright rod and a dark hole.
inline void FillSmallVolume(Session& session, int n, std::uint32_t seed) {
    std::uint32_t state = seed;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0xFF;
    };
    // The rod's 255 is the largest value.
    FillCube(session, n, [&](int x, int y, int z) {
        const int cx = x - n / 2, cy = y - n / 2, cz = z - n / 2;
        const int r2 = cx * cx + cy * cy + cz * cz;
        std::uint32_t v = next() % 4;
        if (r2 < n * n / 6) v = 40 + next() % 120;
        if (cx == 1 && cy == -1) v = 255;
        if (r2 < 4) v = 3;
        return v;
    });
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
inline RenderOutputs RenderOutputsOf(Session& session, RenderType type, int trim = 0) {
    const int rays = RaysPerSide(session);
    RenderImage(session, rays - trim, rays, session.buffers.ImageBuffer.data(), type);
    return {session.buffers.ImageBuffer, session.buffers.DepthBuffer, session.buffers.displayMax};
}

// A fresh session per test, and the process-wide bound and message sink as
// the program starts with them.
class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProcess(); }
    void TearDown() override { ResetProcess(); }
    static void ResetProcess() {
        SetStoreBound(kMaxStoreBytes);
        SetMessageSink({});
    }
    Session session;
};

}  // namespace calyra::test
