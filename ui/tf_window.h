// The Transfer Function window: the histogram of the fine store (log
// counts) behind the opacity curve and its points, the colour bar and its
// points, a preset list, Load and Save. A left click on the curve adds a
// point or takes the one under it, a drag moves it (never past a
// neighbour), Delete or a right click removes it; the colour bar's points
// likewise, and a double click on one chooses its colour. It shows the
// function in use wherever it changes and follows a new volume.
#pragma once

#include <QColor>
#include <QWidget>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

#include "ui/mouse_window.h"
#include "ui/tf_commands.h"
#include "ui/tf_plot.h"
#include "volume/fine_histogram.h"
#include "volume/volume_store.h"

class QComboBox;
class QLabel;
class QPushButton;

namespace calyra::ui {

inline constexpr const char* kTfWindowTitle = "Transfer Function";
inline constexpr const char* kTfPresetLabel = "Preset:";
inline constexpr const char* kTfEditedPreset = "(edited)";
inline constexpr const char* kTfLoadLabel = "&Load...";
inline constexpr const char* kTfSaveLabel = "&Save...";
inline constexpr const char* kTfColourCaption = "Colour of the Point";

// The curve, the colour bar and the histogram, and what the mouse does there.
class TfPlotWidget : public MouseWindow<QWidget> {
  public:
    // A point taken: of the opacity list or the colour list, and which.
    enum class List { Opacity, Colour };
    struct Picked {
        List list;
        std::size_t index;
        bool operator==(const Picked&) const = default;
    };

    explicit TfPlotWidget(QWidget* parent = nullptr);

    TfPlotLayout layout() const;
    // The axes of the curve (file values across, opacity up) and of the bar.
    TfAxes curveAxes() const;
    TfAxes barAxes() const;
    std::optional<Picked> picked() const { return picked_; }
    // What the pointer shows: the point taken, or the value under it.
    std::function<void(const QString&)> onReadout;

    // The function changed elsewhere: a point taken there is let go.
    void transferFunctionChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMessage(MouseMessage message, const QMouseEvent& event) override;

  private:
    // Whether the function in use has the point p.
    static bool Holds(const Picked& p);
    void followVolume();
    void press(MouseMessage message, QPointF at);
    void drag(QPointF at);
    void release();
    void removeAt(QPointF at);
    void removePicked();
    void chooseColour(std::size_t index);
    // Applies an edit of the function in use; true when it changed it.
    bool edit(const std::function<bool(TransferFunction&)>& change, LiveView::Motion motion);
    void showReadout(std::optional<QPointF> hover);
    void paintHistogram(class QPainter& painter, const TfAxes& axes);
    void paintCurve(QPainter& painter, const TfAxes& axes);
    void paintBar(QPainter& painter, const TfPlotLayout& layout);

    std::optional<Picked> picked_;
    bool dragging_ = false;
    bool dragChanged_ = false;  // the drag under way has changed the function
    bool editing_ = false;      // a change of the function comes from here
    FineHistogram histogram_{};
    // The volume the histogram counts (not kept alive here).
    std::weak_ptr<const VolumeStore> volume_;
};

class TfWindow : public QWidget {
  public:
    explicit TfWindow(QWidget* parent = nullptr);

    TfPlotWidget* plot() const { return plot_; }
    QComboBox* presets() const { return presets_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* saveButton() const { return save_; }
    QLabel* readout() const { return readout_; }

    // Shows the function in use: the curve, and its preset in the list.
    void refresh();

  private:
    TfPlotWidget* plot_ = nullptr;
    QComboBox* presets_ = nullptr;
    QPushButton* load_ = nullptr;
    QPushButton* save_ = nullptr;
    QLabel* readout_ = nullptr;
};

// Display, Transfer Function...: opens the window, or shows and raises it.
void ShowTransferFunctionWindow();
// The window while it exists, else null.
TfWindow* TransferFunctionWindow();

// What a double click on a colour point asks: a colour from start, or
// nothing when the user cancels. Tests put their own in place of the modal
// dialog; an empty function restores it.
using TfColourChooser = std::function<std::optional<QColor>(QWidget* owner, const QColor& start)>;
void SetTfColourChooser(TfColourChooser chooser);

}  // namespace calyra::ui
