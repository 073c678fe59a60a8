#include "geometry/orientation.h"

#include <cmath>

#include "base/repaint.h"

namespace calyra {

namespace {

constexpr Point3 kInitialWorld[kWorldPoints] = {
    {-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, -0.5f}, {-0.5f, 0.5f, -0.5f},
    {-0.5f, -0.5f, 0.5f},  {0.5f, -0.5f, 0.5f},  {0.5f, 0.5f, 0.5f},  {-0.5f, 0.5f, 0.5f},
    {-0.5f, 0.0f, 0.0f},   {0.5f, 0.0f, 0.0f},   {0.0f, -0.5f, 0.0f}, {0.0f, 0.5f, 0.0f},
    {0.0f, 0.0f, -0.5f},   {0.0f, 0.0f, 0.5f}};

constexpr Point3 kInitialViewPlane[kViewPlanePoints] = {{-0.5f, -0.5f, -0.5f}, {0.5f, -0.5f, -0.5f},
                                                        {0.5f, 0.5f, -0.5f},   {-0.5f, 0.5f, -0.5f},
                                                        {0.0f, 0.0f, -0.5f},   {0.0f, 0.0f, 0.0f}};

// Per face: the World corners whose differences give the normal edge
// (a - b) and the up edge (c - d), the plane's corners and centre.
struct FaceRule {
    int normalTo, normalFrom, upTo, upFrom;
    int corners[4];
    int centre;
};

constexpr FaceRule kFaces[kFaceCount] = {
    {4, 0, 3, 0, {0, 1, 2, 3}, 12},  // Front
    {1, 5, 6, 5, {5, 4, 7, 6}, 13},  // Back
    {7, 4, 0, 4, {0, 1, 5, 4}, 10},  // Top
    {0, 3, 4, 0, {3, 2, 6, 7}, 11},  // Bottom
    {5, 4, 7, 4, {4, 0, 3, 7}, 8},   // Left
    {0, 1, 2, 1, {1, 5, 6, 2}, 9},   // Right
};

const FaceRule* RuleOf(Face face) {
    const int index = static_cast<int>(face);
    return index >= 0 && index < kFaceCount ? &kFaces[index] : nullptr;
}

// Angles of 0.00001 (as a float, compared in double) or less are skipped.
bool Turns(float angle) {
    return std::fabs(double{angle}) > double{0.00001f};
}

void Rotate(Point3* points, int count, void (*make)(Matrix4&, float), float angle) {
    if (!Turns(angle)) return;
    Matrix4 m;
    make(m, angle);
    TransformPoints(m, points, count);
}

}  // namespace

// Filled from the start-up values before main runs.
Point3 World[kWorldPoints];
Point3 ViewPlane[kViewPlanePoints];
float eyeDistance = 4.0f;

void ResetOrientation() {
    for (int i = 0; i < kWorldPoints; ++i) World[i] = kInitialWorld[i];
    for (int i = 0; i < kViewPlanePoints; ++i) ViewPlane[i] = kInitialViewPlane[i];
    eyeDistance = 4.0f;
}

namespace {
[[maybe_unused]] const bool kOrientationInitialised = (ResetOrientation(), true);
}  // namespace

void SnapWorld(Face face) {
    const FaceRule* found = RuleOf(face);
    if (!found) return;
    const FaceRule& rule = *found;
    const Point3 normal = Normalised(World[rule.normalTo] - World[rule.normalFrom]);
    const Point3 up = Normalised(World[rule.upTo] - World[rule.upFrom]);
    const Point3 origin{};
    WorldToView(World, kWorldPoints, origin, normal, up);
    WorldToView(ViewPlane, kViewPlanePoints, origin, normal, up);
    InvalidateGeometryWindow();
}

void SnapViewPlane(Face face) {
    const FaceRule* found = RuleOf(face);
    if (!found) return;
    const FaceRule& rule = *found;
    ViewPlane[5] = Point3{0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 4; ++k) ViewPlane[k] = World[rule.corners[k]];
    ViewPlane[4] = World[rule.centre];
    InvalidateGeometryWindow();
    RequestRender();
}

void RotateWorld(float angleY, float angleX) {
    Rotate(World, kWorldPoints, MakeRotationX, angleX);
    Rotate(World, kWorldPoints, MakeRotationY, angleY);
}

void RotateViewPlane(float angleY, float angleX) {
    Rotate(ViewPlane, kViewPlanePoints, MakeRotationX, angleX);
    Rotate(ViewPlane, kViewPlanePoints, MakeRotationY, angleY);
}

void RotateViewPlaneXYZ(float angleX, float angleY, float angleZ) {
    Rotate(ViewPlane, kViewPlanePoints, MakeRotationX, angleX);
    Rotate(ViewPlane, kViewPlanePoints, MakeRotationY, angleY);
    Rotate(ViewPlane, kViewPlanePoints, MakeRotationZ, angleZ);
}

void TranslateViewPlane(float dx, float dy, float dz) {
    Matrix4 m;
    MakeTranslation(m, dx, dy, dz);
    TransformPoints(m, ViewPlane, kViewPlanePoints);
}

void PanViewPlane(PanDirection direction) {
    // One tenth of the centre-to-target vector, computed in double, stored as float.
    Point3 d{static_cast<float>(0.1 * (double{ViewPlane[5].x} - ViewPlane[4].x)),
             static_cast<float>(0.1 * (double{ViewPlane[5].y} - ViewPlane[4].y)),
             static_cast<float>(0.1 * (double{ViewPlane[5].z} - ViewPlane[4].z))};
    if (direction == PanDirection::Out) d = -d;
    for (Point3& p : ViewPlane) p = p + d;
}

void ApplyDrag(unsigned buttons, MousePoint previous, MousePoint current, std::int32_t clientWidth,
               std::int32_t clientHeight) {
    if (clientWidth == 0 || clientHeight == 0) return;  // no client area, no movement
    const float angleY = 3.0f * static_cast<float>(int{previous.x} - int{current.x}) /
                         static_cast<float>(clientWidth);
    const float angleX = 3.0f * static_cast<float>(int{current.y} - int{previous.y}) /
                         static_cast<float>(clientHeight);
    if (buttons & kLeftButton) {
        RotateWorld(angleY, angleX);
        RotateViewPlane(angleY, angleX);
    } else if (buttons & kRightButton) {
        RotateViewPlane(angleY, angleX);
    }
}

void ScaleEyeDistance(EyeStep step, EyeLimit limit) {
    const bool clamp = limit == EyeLimit::Clamped;
    if (step == EyeStep::Farther) {
        eyeDistance = eyeDistance * 1.1f;
        if (clamp && eyeDistance > 5.5f) eyeDistance = 5.5f;
    } else {
        eyeDistance = eyeDistance * 0.9f;
        if (clamp && eyeDistance < 2.5f) eyeDistance = 2.5f;
    }
}

}  // namespace calyra
