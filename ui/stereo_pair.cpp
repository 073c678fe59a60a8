#include "ui/stereo_pair.h"

#include <algorithm>

#include "geometry/vector_math.h"

namespace calyra::ui {

std::int32_t stereoSecondRow = 0;
std::int32_t shownSecondRow = 0;
std::int32_t stereoMovePending = 0;
float stereoSeparation = 0.0f;
float stereoConvergence = 0.0f;
float stereoSpare = 0.0f;
float stereoShift = 0.0f;

void ResetStereoForClient(std::int32_t width, std::int32_t height) {
    stereoSecondRow = height / 2;
    stereoSeparation = width > 0 ? static_cast<float>(3.0 / width) : 0.0f;
    stereoSpare = stereoSeparation;
    stereoConvergence = 15.0f * stereoSeparation;
}

void ApplyStereoShift(Orientation& o) {
    // A zero convergence counts as 0.001, like every other degenerate divisor.
    const float convergence = stereoConvergence == 0.0f ? 0.001f : stereoConvergence;
    stereoShift = -(stereoSeparation / convergence);
    const Point3 edge = o.ViewPlane[1] - o.ViewPlane[0];
    const double length = VectorLength(edge);
    if (length == 0.0) return;
    // stereoShift x length along the unit edge direction.
    const double distance = static_cast<double>(stereoShift) * length;
    TranslateViewPlane(o, static_cast<float>(distance * edge.x / length),
                       static_cast<float>(distance * edge.y / length),
                       static_cast<float>(distance * edge.z / length));
}

bool ChangeStereoParameter(char key, std::int32_t clientWidth) {
    const float pixel = clientWidth > 0 ? 1.0f / static_cast<float>(clientWidth) : 0.0f;
    // Separation keys keep stereoShift: the convergence follows the separation.
    const auto followSeparation = [] {
        if (stereoShift != 0.0f) stereoConvergence = -(stereoSeparation / stereoShift);
    };
    switch (key) {
        case 'a':
            stereoConvergence = std::min(stereoConvergence + 0.01f, 1.0f);
            return true;
        case 'q':
            stereoConvergence = std::max(stereoConvergence - 0.01f, 0.0f);
            return true;
        case 'w':
            stereoSeparation = std::min(stereoSeparation + pixel, 0.1f);
            followSeparation();
            return true;
        case 's':
            stereoSeparation = std::max(stereoSeparation - pixel, 0.0f);
            followSeparation();
            return true;
        case '[':
            stereoSpare += 0.1f;
            return false;
        case ']':
            stereoSpare -= 0.1f;
            return false;
        default:
            return false;
    }
}

}  // namespace calyra::ui
