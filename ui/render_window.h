// The render window: builds the chosen volume when it is created, ray-casts a
// new image when a paint finds renderPending set, and shows it as a centred
// square of grey cells, alone or as a stereo pair.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "render/display_map.h"
#include "ui/grey_palette.h"
#include "ui/live_view.h"
#include "ui/model_window.h"
#include "ui/platform.h"

namespace calyra::ui {

inline constexpr const char* kRenderWindowTitle = "Calyra Volume Visualization";
inline constexpr const char* kRenderingCaption = "Please wait for rendering !";

// Process-wide state of the one render window (client pixels).
// Set while the model windows are replaced for a volume already in the store:
// the new render window then builds nothing.
extern bool volumeAlreadyLoaded;
extern std::int32_t clientWidth;
extern std::int32_t clientHeight;
extern float imageLeft;  // top-left corner of the image
extern float imageTop;
extern float minSide;                 // min(clientWidth, clientHeight)
extern std::int32_t stereoSecondRow;  // client row of the second stereo image
extern std::int32_t shownSecondRow;   // where the second image was last shown
extern std::int32_t stereoMovePending;
extern float stereoSeparation;
extern float stereoConvergence;
extern float stereoSpare;
extern float stereoShift;  // -(stereoSeparation / stereoConvergence)

class RenderWindow : public ModelWindow, public PreparesPaint {
  public:
    // Records renderWindow, builds (or imports) the volume for modelType,
    // requests a render and builds the grey palette.
    explicit RenderWindow(QWidget* parent = nullptr);
    ~RenderWindow() override;

    void handleCharacter(char key) override;

    // A pending render runs here, before the paint that shows it: the caption
    // "Please wait for rendering !" is put on screen first, then the image is
    // cast and drawn into the stored bitmaps for the paint to copy.
    void preparePaint() override;

    // The picture "Save Image..." and "Copy Image" keep (a pending render runs
    // first): mono, the image redrawn from the top-left corner into a
    // minSide x minSide picture; stereo, the client area as shown. Null while
    // there is no image.
    QImage picture();

    // Draws the cells of the last render again from the kept buffers, with
    // the current display window and colour map (no ray is cast). A stereo
    // pair is rendered again: the buffers hold its second image only.
    void redrawCells();

    // Replaces a live frame that is not the exact image of the current view
    // by an exact render now, so that what is saved matches its view.
    void bringUpToDate();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseMessage(MouseMessage message, const QMouseEvent& event) override;

  private:
    void buildChosenModel();
    void createBitmaps(int width, int height);
    void copyStoredImages(QPainter& screen);
    // Sets the caption, clears renderPending and renders; screen (if given)
    // gets each image as it is drawn.
    void renderPendingImage(QPainter* screen);
    void showCaptionNow();
    void renderMono(QPainter* screen);
    void renderStereoPair(QPainter* screen);
    void renderOnce();
    void changeStereoParameter(char key);
    // The window/level drag: a middle-button drag, or Ctrl + left drag,
    // moves the display window; a middle double-click resets it. Each says
    // whether the event was its own.
    bool windowLevelPress(const QMouseEvent& event);
    bool windowLevelDrag(const QMouseEvent& event);
    bool windowLevelRelease(const QMouseEvent& event);
    bool windowLevelDoubleClick(const QMouseEvent& event);

    // A move: the window/level drag, a turn, or the second stereo image's row.
    void mouseMoved(const QMouseEvent& event);
    // Live Update's bindings: a left-drag turns the plane, the wheel pans it.
    void startTurn(const QPoint& at);
    void turnByDrag(const QPoint& at);
    void endTurn();
    void panByWheel(int angleDelta);
    void showLiveFrame(const LiveFrame& frame);

    GreyPalette imagePalette_;
    QImage imageBitmap_;
    QImage stereoBitmap_;
    bool bitmapsExist_ = false;
    // Row at which the second image lies inside stereoBitmap_; -1 before the first pair.
    int drawnSecondRow_ = -1;
    // Cells per side of the image in the bitmaps; 0 before the first render.
    std::int32_t drawnCells_ = 0;
    // The window/level drag under way: the button that moves it (NoButton
    // when none does), where it started and the window it started from.
    Qt::MouseButton levelButton_ = Qt::NoButton;
    QPoint levelStart_;
    DisplayWindow levelStartWindow_;
    // The pointer's last place during a turning drag; none while no drag.
    bool turning_ = false;
    QPoint turnFrom_;
    int wheelRemainder_ = 0;  // angle delta short of a whole step
    std::unique_ptr<LiveView> live_;
};

// redrawCells() of the render window, if there is one.
void RedrawRenderWindow();

// The render window's bringUpToDate, if it exists.
void BringImageUpToDate();

// Moves the six ViewPlane points by stereoShift x |ViewPlane[1] - ViewPlane[0]|
// along the plane's first edge (nothing when that edge has length 0).
void ApplyStereoShift();

}  // namespace calyra::ui
