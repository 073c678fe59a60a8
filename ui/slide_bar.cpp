#include "ui/slide_bar.h"

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyleOptionGroupBox>
#include <algorithm>

#include "resources/command_ids.h"
#include "ui/dialog_builder.h"
#include "ui/document.h"
#include "ui/live_view.h"
#include "ui/platform.h"

namespace calyra::ui {

std::int32_t thresholdPercent = 10;
std::int32_t thresholdEditing = 0;
float thresholdSaved = 0.0f;

namespace {

constexpr int kStartPosition = 10;

QPointer<QScrollBar> thresholdScrollBar;

// The group box caption places "0 %" and "100 %" on either side of the
// percentage with blanks. Where this font sets the caption narrower than the
// layout expects, its letters are spaced out until "100 %" clears the box.
void SpreadScaleCaption(QWidget* dialog) {
    auto* box = qobject_cast<QGroupBox*>(DialogItem(dialog, kCtlThresholdScale));
    QWidget* percent = DialogItem(dialog, kCtlThresholdText);
    if (!box || !percent) return;
    const QString title = box->title();
    const qsizetype tail = title.lastIndexOf(QStringLiteral("100"));
    if (tail <= 0) return;
    QStyleOptionGroupBox option;
    option.initFrom(box);
    option.text = title;
    option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
    const double tailStart =
        box->x() + label.left() + QFontMetricsF(box->font()).horizontalAdvance(title.left(tail));
    const double needed = percent->geometry().right() + 3 - tailStart;
    if (needed <= 0) return;
    QFont font = box->font();
    font.setLetterSpacing(QFont::AbsoluteSpacing, needed / static_cast<double>(tail));
    box->setFont(font);
}

void ShowPercentText(QWidget* dialog) {
    SetDialogItemText(dialog, kCtlThresholdText, ThresholdPercentText(thresholdPercent));
}

void SetScrollPosition(int position) {
    if (thresholdScrollBar) thresholdScrollBar->setValue(position);
}

void HidePanel(QWidget* dialog) {
    dialog->hide();
    slideBarShown = 0;
}

// A live scroll opens the edit period as the first Preview would.
void PreviewScrolledThreshold() {
    float& threshold = ProgramSession().settings.threshold;
    if (thresholdEditing == 0) {
        thresholdSaved = threshold;
        thresholdEditing = 1;
    }
    threshold = static_cast<float>(thresholdPercent) / 100.0f;
    RenderLive(LiveView::Motion::Moving);
}

void OnCommand(TemplateDialog& dialog, int id) {
    Session& session = ProgramSession();
    float& threshold = session.settings.threshold;
    // Any command opens the edit period, so CANCEL can return to this value.
    if (thresholdEditing == 0) {
        thresholdSaved = threshold;
        thresholdEditing = 1;
    }
    switch (id) {
        case kCtlThresholdPreview:
            threshold = static_cast<float>(thresholdPercent) / 100.0f;
            RequestRender(session);
            break;
        case kCtlThresholdClose:
            thresholdEditing = 0;
            HidePanel(&dialog);
            break;
        case kCtlThresholdCancel:
            threshold = thresholdSaved;
            RenderLive(LiveView::Motion::Stopped);
            // Widened before scaling: a saved 0.35f (just below 0.35) shows as 34.
            thresholdPercent =
                static_cast<std::int32_t>(static_cast<double>(thresholdSaved) * 100.0);
            thresholdEditing = 0;
            ShowPercentText(&dialog);
            SetScrollPosition(thresholdPercent);
            HidePanel(&dialog);
            break;
        default:
            break;
    }
}

}  // namespace

QString ThresholdPercentText(std::int32_t percent) {
    return QString::asprintf("%4.1f %c", static_cast<double>(percent), '%');
}

std::int32_t ScrolledThresholdPercent(std::int32_t percent, int code, int thumb) {
    switch (code) {
        case kLineLeft:
            return std::max(percent - 1, 0);
        case kLineRight:
            return std::min(percent + 1, 100);
        case kPageLeft:
            return std::max(percent - 10, 0);
        case kPageRight:
            return std::min(percent + 10, 100);
        case kThumbTrack:
        case kThumbPosition:
            return thumb;
        case kLeftEnd:
            return 0;
        case kRightEnd:
            return 100;
        default:
            return percent;
    }
}

bool SlideBarProc(TemplateDialog& dialog, const DialogEvent& event) {
    switch (event.message) {
        case DialogMessage::Init:
            SpreadScaleCaption(&dialog);
            return false;  // no default focus
        case DialogMessage::Refresh:
            thresholdScrollBar =
                qobject_cast<QScrollBar*>(DialogItem(&dialog, kCtlThresholdScrollBar));
            if (thresholdScrollBar) thresholdScrollBar->setRange(0, 100);
            ShowPercentText(&dialog);
            SetScrollPosition(kStartPosition);
            return true;
        case DialogMessage::Size:
            slideBarShown = event.minimised ? 0 : 1;
            return true;
        case DialogMessage::HScroll: {
            // Without live renders scrolling alone never changes the threshold.
            const std::int32_t before = thresholdPercent;
            thresholdPercent = ScrolledThresholdPercent(thresholdPercent, event.id, event.position);
            SetScrollPosition(thresholdPercent);
            ShowPercentText(&dialog);
            if (thresholdPercent != before && LiveRendersPossible()) PreviewScrolledThreshold();
            return true;
        }
        case DialogMessage::Command:
            OnCommand(dialog, event.id);
            return true;
        default:
            return false;
    }
}

}  // namespace calyra::ui
