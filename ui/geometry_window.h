// The geometry window: a perspective wire-frame of the volume box (green) and
// the viewing plane (red) on black, turned with the mouse.
#pragma once

#include <cstdint>

#include "geometry/orientation.h"
#include "render/volume_cut.h"
#include "ui/model_window.h"

class QPainter;

namespace calyra::ui {

inline constexpr const char* kGeometryWindowTitle = "Viewing Parameters Geometry";

// A point as the wire-frame shows it: device pixels, and whether it lies in
// front of the eye (scaled z > -eyeDistance). Points at or behind the eye are
// not drawn, nor the edges that touch them.
struct DisplayPoint {
    int x = 0;
    int y = 0;
    bool visible = false;
};

// Projects count points for a client area of width x height: scale by 0.75,
// perspective with eyeDistance, ViewportMap onto a square of 1.5 x the smaller
// side, centred, truncated. The points themselves are not changed.
void ProjectForDisplay(const Point3* points, int count, int width, int height, float eye,
                       DisplayPoint* out);

// The twelve box edges from the 14 World points, 2-pixel RGB(0, 190, 0).
void DrawWorldBox(QPainter& painter, const Point3* points, int width, int height);
// The plane's outline and its centre-to-target line from the 6 ViewPlane points, red.
void DrawViewPlane(QPainter& painter, const Point3* points, int width, int height);

// The crop box's twelve edges inside the box, yellow.
void DrawCropBox(QPainter& painter, const Orientation& o, std::int32_t size, const CropBox& box,
                 int width, int height);

// A small cross at a scene point (the slice views' cursor), yellow.
void DrawCursorMark(QPainter& painter, const Point3& point, int width, int height);

class GeometryWindow : public ModelWindow {
  public:
    explicit GeometryWindow(QWidget* parent = nullptr);
    ~GeometryWindow() override;

    void handleCharacter(char key) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMessage(MouseMessage message, const QMouseEvent& event) override;

  private:
    // A move with the left button turns the box and the plane, with the right
    // the plane alone (rendering live).
    void mouseMoved(const QMouseEvent& event);

    std::int32_t clientWidth_ = 0;
    std::int32_t clientHeight_ = 0;
    MousePoint previous_;
};

}  // namespace calyra::ui
