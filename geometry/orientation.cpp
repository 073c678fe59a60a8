#include "geometry/orientation.h"

#include <algorithm>
#include <cmath>
#include <iterator>

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

Orientation::Orientation() {
    std::copy(std::begin(kInitialWorld), std::end(kInitialWorld), World);
    std::copy(std::begin(kInitialViewPlane), std::end(kInitialViewPlane), ViewPlane);
}

bool SnapWorld(Orientation& o, Face face) {
    const FaceRule* found = RuleOf(face);
    if (!found) return false;
    const FaceRule& rule = *found;
    const Point3 normal = Normalised(o.World[rule.normalTo] - o.World[rule.normalFrom]);
    const Point3 up = Normalised(o.World[rule.upTo] - o.World[rule.upFrom]);
    const Point3 origin{};
    WorldToView(o.World, kWorldPoints, origin, normal, up);
    WorldToView(o.ViewPlane, kViewPlanePoints, origin, normal, up);
    return true;
}

bool SnapViewPlane(Orientation& o, Face face) {
    const FaceRule* found = RuleOf(face);
    if (!found) return false;
    const FaceRule& rule = *found;
    o.ViewPlane[5] = Point3{0.0f, 0.0f, 0.0f};
    for (int k = 0; k < 4; ++k) o.ViewPlane[k] = o.World[rule.corners[k]];
    o.ViewPlane[4] = o.World[rule.centre];
    return true;
}

void RotateWorld(Orientation& o, float angleY, float angleX) {
    Rotate(o.World, kWorldPoints, MakeRotationX, angleX);
    Rotate(o.World, kWorldPoints, MakeRotationY, angleY);
}

void RotateViewPlane(Orientation& o, float angleY, float angleX) {
    Rotate(o.ViewPlane, kViewPlanePoints, MakeRotationX, angleX);
    Rotate(o.ViewPlane, kViewPlanePoints, MakeRotationY, angleY);
}

void RotateViewPlaneXYZ(Orientation& o, float angleX, float angleY, float angleZ) {
    Rotate(o.ViewPlane, kViewPlanePoints, MakeRotationX, angleX);
    Rotate(o.ViewPlane, kViewPlanePoints, MakeRotationY, angleY);
    Rotate(o.ViewPlane, kViewPlanePoints, MakeRotationZ, angleZ);
}

void TranslateViewPlane(Orientation& o, float dx, float dy, float dz) {
    Matrix4 m;
    MakeTranslation(m, dx, dy, dz);
    TransformPoints(m, o.ViewPlane, kViewPlanePoints);
}

void PanViewPlane(Orientation& o, PanDirection direction) {
    // One tenth of the centre-to-target vector, computed in double, stored as float.
    Point3 d{static_cast<float>(0.1 * (double{o.ViewPlane[5].x} - o.ViewPlane[4].x)),
             static_cast<float>(0.1 * (double{o.ViewPlane[5].y} - o.ViewPlane[4].y)),
             static_cast<float>(0.1 * (double{o.ViewPlane[5].z} - o.ViewPlane[4].z))};
    if (direction == PanDirection::Out) d = -d;
    for (Point3& p : o.ViewPlane) p = p + d;
}

namespace {

struct Vector3d {
    double x = 0.0, y = 0.0, z = 0.0;
};

Vector3d Widened(const Point3& p) {
    return {p.x, p.y, p.z};
}
Vector3d Minus(const Vector3d& a, const Vector3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(const Vector3d& a, const Vector3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vector3d Cross(const Vector3d& a, const Vector3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Turns the plane by angle about the unit axis through centre (right-handed).
void TurnPlaneAbout(Orientation& o, const Vector3d& centre, const Vector3d& axis, double angle) {
    const double c = std::cos(angle), s = std::sin(angle);
    for (Point3& p : o.ViewPlane) {
        const Vector3d v = Minus(Widened(p), centre);
        const Vector3d k = Cross(axis, v);
        const double along = Dot(axis, v) * (1.0 - c);
        p = Point3{static_cast<float>(centre.x + v.x * c + k.x * s + axis.x * along),
                   static_cast<float>(centre.y + v.y * c + k.y * s + axis.y * along),
                   static_cast<float>(centre.z + v.z * c + k.z * s + axis.z * along)};
    }
}

// The unit vector along b - a; false when it has no length.
bool UnitEdge(const Point3& a, const Point3& b, Vector3d& unit) {
    const Vector3d d = Minus(Widened(b), Widened(a));
    const double length = std::sqrt(Dot(d, d));
    if (!(length > 0.0)) return false;
    unit = {d.x / length, d.y / length, d.z / length};
    return true;
}

}  // namespace

void TurnViewPlane(Orientation& o, double across, double down) {
    Vector3d centre;
    for (int k = 0; k < 8; ++k) {
        centre.x += o.World[k].x;
        centre.y += o.World[k].y;
        centre.z += o.World[k].z;
    }
    centre = {centre.x / 8.0, centre.y / 8.0, centre.z / 8.0};
    // Which way the image's axes turn depends on whether across x down points
    // along the view or against it.
    const auto handedness = [&o] {
        const Vector3d normal = Cross(Minus(Widened(o.ViewPlane[1]), Widened(o.ViewPlane[0])),
                                      Minus(Widened(o.ViewPlane[3]), Widened(o.ViewPlane[0])));
        return Dot(normal, Minus(Widened(o.ViewPlane[5]), Widened(o.ViewPlane[4]))) < 0.0 ? -1.0
                                                                                          : 1.0;
    };
    Vector3d axis;
    if (across != 0.0 && UnitEdge(o.ViewPlane[0], o.ViewPlane[3], axis)) {
        TurnPlaneAbout(o, centre, axis, handedness() * across);
    }
    if (down != 0.0 && UnitEdge(o.ViewPlane[0], o.ViewPlane[1], axis)) {
        TurnPlaneAbout(o, centre, axis, -handedness() * down);
    }
}

void ApplyDrag(Orientation& o, unsigned buttons, MousePoint previous, MousePoint current,
               std::int32_t clientWidth, std::int32_t clientHeight) {
    if (clientWidth == 0 || clientHeight == 0) return;  // no client area, no movement
    const float angleY = 3.0f * static_cast<float>(int{previous.x} - int{current.x}) /
                         static_cast<float>(clientWidth);
    const float angleX = 3.0f * static_cast<float>(int{current.y} - int{previous.y}) /
                         static_cast<float>(clientHeight);
    if (buttons & kLeftButton) {
        RotateWorld(o, angleY, angleX);
        RotateViewPlane(o, angleY, angleX);
    } else if (buttons & kRightButton) {
        RotateViewPlane(o, angleY, angleX);
    }
}

void ScaleEyeDistance(Orientation& o, EyeStep step, EyeLimit limit) {
    const bool clamp = limit == EyeLimit::Clamped;
    if (step == EyeStep::Farther) {
        o.eyeDistance = o.eyeDistance * 1.1f;
        if (clamp && o.eyeDistance > 5.5f) o.eyeDistance = 5.5f;
    } else {
        o.eyeDistance = o.eyeDistance * 0.9f;
        if (clamp && o.eyeDistance < 2.5f) o.eyeDistance = 2.5f;
    }
}

}  // namespace calyra
