// Image-level regression: every scene's buffers and display maximum must hash
// to the recorded value. A changed or missing baseline fails and writes the
// new table into the build tree for a person to look at; nothing refreshes
// the committed table automatically.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "render/grey_map.h"
#include "render/ray_driver.h"
#include "test_support.h"
#include "volume/models.h"

namespace calyra {
namespace {

using test::Store;

struct Scene {
    const char* name;
    ModelType model;
    RenderType type;
    bool interp;
    float threshold;
    bool grad;
    void (*geometry)(Session&);
};

void None(Session&) {}
void TurnedPlane(Session& session) {
    RotateViewPlane(session.orientation, 0.35f, -0.6f);
}
void SideView(Session& session) {
    SnapWorld(session.orientation, Face::Top);
    SnapViewPlane(session.orientation, Face::Left);
    PanViewPlane(session.orientation, PanDirection::In);
}
void DeepCut(Session& session) {
    SnapViewPlane(session.orientation, Face::Back);
    for (int i = 0; i < 7; ++i) PanViewPlane(session.orientation, PanDirection::In);
    RotateViewPlaneXYZ(session.orientation, 0.1f, 0.2f, 0.3f);
}
void Shifted(Session& session) {
    RotateWorld(session.orientation, 0.7f, 0.2f);
    RotateViewPlane(session.orientation, 1.1f, 0.4f);
    TranslateViewPlane(session.orientation, 0.05f, -0.1f, 0.02f);
}

const Scene kScenes[] = {
    {"ball-surface", ModelType::Ball, RenderType::Surface, false, 0.1f, true, None},
    {"ball-transparent", ModelType::Ball, RenderType::Transparent, false, 0.1f, true, TurnedPlane},
    {"ball-sum", ModelType::Ball, RenderType::Transparent, false, 0.0f, true, SideView},
    {"ball-slice", ModelType::Ball, RenderType::Slice, false, 0.1f, true, DeepCut},
    {"ball-surface-interp", ModelType::Ball, RenderType::Surface, true, 0.3f, true, TurnedPlane},
    {"ball-transparent-interp", ModelType::Ball, RenderType::Transparent, true, 0.6f, true,
     Shifted},
    {"monkey-surface", ModelType::Monkey, RenderType::Surface, false, 0.5f, true, TurnedPlane},
    {"monkey-nograd", ModelType::Monkey, RenderType::Surface, false, 0.1f, false, SideView},
    {"monkey-slice-interp", ModelType::Monkey, RenderType::Slice, true, 0.1f, true, DeepCut},
    {"combined-surface-interp", ModelType::Combined, RenderType::Surface, true, 0.1f, true,
     Shifted},
    {"combined-transparent", ModelType::Combined, RenderType::Transparent, false, 0.25f, true,
     None},
    {"cone-surface", ModelType::Cone, RenderType::Surface, false, 0.1f, true, TurnedPlane},
    {"cone-transparent", ModelType::Cone, RenderType::Transparent, false, 0.1f, true, SideView},
    {"hyperboloid-surface", ModelType::Hyperboloid, RenderType::Surface, false, 0.9f, true,
     DeepCut},
    {"hyperboloid-sum", ModelType::Hyperboloid, RenderType::Transparent, false, 0.0f, true,
     Shifted},
};

std::uint64_t Fnv(std::uint64_t h, const void* data, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// What a person looks at when a scene changed: the image as the render window
// shows it (grey levels, column x of the buffer across) and the exact buffers.
void WriteSceneFiles(Session& session, const Scene& s) {
    const int side = RaysPerSide(session) * (s.interp ? 2 : 1);
    const float k = GreyScale(session.buffers.displayMax);
    std::ofstream pgm(std::string("baseline-") + s.name + ".pgm", std::ios::binary);
    pgm << "P5\n" << side << ' ' << side << "\n255\n";
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            pgm.put(static_cast<char>(GreyLevel(session.buffers.ImageAt(x, y), k)));
    std::ofstream dump(std::string("baseline-") + s.name + ".dump");
    dump << "side " << side << " displayMax " << session.buffers.displayMax << "\n";
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x)
            dump << session.buffers.ImageAt(x, y) << '/' << session.buffers.DepthAt(x, y) << ' ';
        dump << '\n';
    }
}

// Each scene renders in a fresh session, left for a look when it differs.
std::uint64_t RenderAndHash(Session& session, const Scene& s) {
    BuildModel(session, s.model);
    session.settings.interpolate = s.interp;
    session.settings.threshold = s.threshold;
    session.settings.gradientShading = s.grad;
    s.geometry(session);
    const int rays = RaysPerSide(session);
    RenderImage(session, rays, rays, session.buffers.ImageBuffer.data(), s.type);
    const int side = rays * (s.interp ? 2 : 1);
    std::uint64_t h = 1469598103934665603ull;
    for (int x = 0; x < side; ++x) {
        h = Fnv(h, &session.buffers.ImageBuffer[3 * x * kBufferSide],
                sizeof(std::uint32_t) * 3 * side);
        h = Fnv(h, &session.buffers.DepthBuffer[x * kBufferSide], sizeof(std::int32_t) * side);
    }
    return Fnv(h, &session.buffers.displayMax, sizeof session.buffers.displayMax);
}

// The whole store of a built model, voxels[x][y][z] for every index.
std::uint64_t BuildAndHashStore(ModelType model) {
    Session session;
    BuildModel(session, model);
    const VolumeStore& v = Store(session);
    std::uint64_t h = 1469598103934665603ull;
    for (int x = 0; x <= v.dims.x; ++x)
        for (int y = 0; y <= v.dims.y; ++y) h = Fnv(h, v.voxels[x][y], std::size_t(v.dims.z) + 1);
    const std::int32_t fields[] = {
        v.dims.x, v.dims.y, v.dims.z, v.size, static_cast<std::int32_t>(v.maxValue), v.mirrorZ};
    return Fnv(h, fields, sizeof fields);
}

TEST(RenderBaseline, EverySceneHashesToItsRecordedValue) {
    std::map<std::string, std::string> recorded;
    std::ifstream in(CALYRA_TEST_DATA_DIR "/render_baseline.txt");
    std::string recordedName, hash;
    while (in >> recordedName >> hash) recorded[recordedName] = hash;

    std::ostringstream table;
    int differing = 0;
    // Records the hash in the new table; false, and a failure that says so
    // (and where to look), when it is not the recorded one.
    auto matches = [&](const std::string& name, std::uint64_t value, const std::string& look) {
        char text[32];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
        table << name << ' ' << text << '\n';
        if (recorded[name] == text) return true;
        ++differing;
        ADD_FAILURE() << name << ": recorded " << recorded[name] << ", now " << text << look;
        return false;
    };
    for (const Scene& s : kScenes) {
        const std::string look = std::string("; see baseline-") + s.name + ".pgm and .dump";
        Session session;
        if (!matches(s.name, RenderAndHash(session, s), look)) WriteSceneFiles(session, s);
    }
    for (const ModelName& m : BuiltInModels()) {
        matches(std::string("store-") + m.name, BuildAndHashStore(m.value), "");
    }
    if (differing) std::ofstream("render_baseline.new.txt") << table.str();
}

}  // namespace
}  // namespace calyra
