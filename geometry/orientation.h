// Where the volume box (World) and the viewing plane (ViewPlane) are, and
// every operation that moves them.
//
// Scene coordinates: the box is a unit cube centred on the origin; x to the
// right, y down, z away from the viewer of the geometry window.
#pragma once

#include <cstdint>

#include "geometry/vector_math.h"

namespace calyra {

// The faces of the volume box, in the order of the snap commands.
enum class Face : int { Front = 0, Back = 1, Top = 2, Bottom = 3, Left = 4, Right = 5 };
inline constexpr int kFaceCount = 6;

inline constexpr int kWorldPoints = 14;     // 8 corners, then the 6 face centres
inline constexpr int kViewPlanePoints = 6;  // 4 corners, centre, target

// The box, the plane and the wire-frame's perspective: a document's geometry.
// A new value holds the start-up placement.
struct Orientation {
    Orientation();
    Point3 World[kWorldPoints];
    Point3 ViewPlane[kViewPlanePoints];
    float eyeDistance = 4.0f;  // perspective distance of the wire-frame view
};

enum class PanDirection { In, Out };

// Turns box and plane together so that the face is nearest the viewer.
// Values outside the six faces change nothing and return false. (The
// windowed program then repaints the geometry window only: render/session.h.)
bool SnapWorld(Orientation& o, Face face);
// Puts the plane on the face, aimed at the box centre. (The windowed program
// then repaints the geometry window and requests a render.)
bool SnapViewPlane(Orientation& o, Face face);
void RotateWorld(Orientation& o, float angleY, float angleX);      // x rotation applied first
void RotateViewPlane(Orientation& o, float angleY, float angleX);  // x rotation applied first
void RotateViewPlaneXYZ(Orientation& o, float angleX, float angleY, float angleZ);
void TranslateViewPlane(Orientation& o, float dx, float dy, float dz);
void PanViewPlane(Orientation& o, PanDirection direction);
// Turns the plane about the box centre so that the side of the volume facing
// the plane moves right by `across` and down by `down` radians as the image
// shows it: first about the plane's row direction (its downward edge), then
// about its column direction (its edge across). Computed in double, stored as float.
void TurnViewPlane(Orientation& o, double across, double down);

// Mouse buttons held during a drag.
inline constexpr unsigned kLeftButton = 1;
inline constexpr unsigned kRightButton = 2;

struct MousePoint {
    std::uint16_t x = 0;  // client coordinates, as unsigned 16-bit values
    std::uint16_t y = 0;
};

// One mouse movement: left turns box and plane, right the plane alone.
void ApplyDrag(Orientation& o, unsigned buttons, MousePoint previous, MousePoint current,
               std::int32_t clientWidth, std::int32_t clientHeight);

// eyeDistance keys: P x 1.1, p x 0.9; the windows clamp to 5.5 and 2.5, the
// frame does not.
enum class EyeStep { Farther, Nearer };
enum class EyeLimit { Clamped, Unlimited };
void ScaleEyeDistance(Orientation& o, EyeStep step, EyeLimit limit);

}  // namespace calyra
