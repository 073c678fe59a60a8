#include "ui/dialog_builder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <algorithm>

#include "ui/platform.h"

namespace calyra::ui {
namespace {

using resources::kDialogMinimizeBox;
using resources::kGroup;
using resources::kTabStop;

QFont TemplateFont(const DialogTemplate& t) {
    if (!t.fontFamily) return QFont();  // the application's (system) font
    QFont font(QString::fromLatin1(t.fontFamily));
    font.setPointSize(t.pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

Qt::WindowFlags WindowFlagsFor(const DialogTemplate& t, DialogMode mode) {
    Qt::WindowFlags flags = mode == DialogMode::Panel ? Qt::Tool : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
             Qt::WindowCloseButtonHint;
    if (t.style & kDialogMinimizeBox) flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

// The platform's scroll-bar actions and their scroll codes.
constexpr std::pair<int, int> kScrollCodes[] = {
    {QAbstractSlider::SliderSingleStepSub, kLineLeft},
    {QAbstractSlider::SliderSingleStepAdd, kLineRight},
    {QAbstractSlider::SliderPageStepSub, kPageLeft},
    {QAbstractSlider::SliderPageStepAdd, kPageRight},
    {QAbstractSlider::SliderToMinimum, kLeftEnd},
    {QAbstractSlider::SliderToMaximum, kRightEnd},
    {QAbstractSlider::SliderMove, kThumbTrack},
};

int ScrollCodeFor(int action) {
    for (const auto& [sliderAction, code] : kScrollCodes) {
        if (sliderAction == action) return code;
    }
    return kEndScroll;
}

// The window frame's margins around the client area.
QMargins FrameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

}  // namespace

QPoint KeepFrameOnScreen(const QRect& frame, const QRect& area) {
    // Right and bottom first, so that a frame larger than the area ends at its top-left.
    const int x = std::max(std::min(frame.left(), area.right() + 1 - frame.width()), area.left());
    const int y = std::max(std::min(frame.top(), area.bottom() + 1 - frame.height()), area.top());
    return {x, y};
}

TemplateDialog::TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* owner,
                               DialogProc proc, DialogMode mode)
    : QDialog(owner, WindowFlagsFor(dialogTemplate, mode)),
      template_(&dialogTemplate),
      owner_(owner),
      proc_(proc) {
    setWindowTitle(QString::fromLatin1(dialogTemplate.caption));
    setFont(TemplateFont(dialogTemplate));
    base_ = BaseUnitsOf(font());
    const QRect client = DialogUnitsToPixels(
        QRect(dialogTemplate.x, dialogTemplate.y, dialogTemplate.width, dialogTemplate.height),
        base_);
    setFixedSize(client.size());
    CreateControls();
    // Enter is the OK command; a dialog run modally shows its OK button as the one Enter presses.
    if (auto* ok = qobject_cast<QPushButton*>(DialogItem(this, kOkId));
        ok && mode == DialogMode::Modal) {
        ok->setDefault(true);
    }
    PlaceRelativeToOwner();
    if (Dispatch({.message = DialogMessage::Init})) {
        for (const ControlTemplate& c : dialogTemplate.controls) {
            QWidget* w = DialogItem(this, c.id);
            if ((c.style & kTabStop) && w && w->isEnabled()) {
                w->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
    }
}

void TemplateDialog::CreateControls() {
    QButtonGroup* group = nullptr;
    for (const ControlTemplate& c : template_->controls) {
        if (c.style & kGroup) group = nullptr;
        QWidget* w = MakeControlWidget(c, this, base_);
        if (auto* radio = qobject_cast<QRadioButton*>(w)) {
            if (!group) group = new QButtonGroup(this);
            group->addButton(radio);
        }
        if (auto* bar = qobject_cast<QScrollBar*>(w)) ConnectScrollBar(bar);
        QRect r = DialogUnitsToPixels(QRect(c.x, c.y, c.width, c.height), base_);
        // A drop-down list's height is its opened height; the closed box is one line.
        if (c.kind == ControlKind::DropDownList) r.setHeight(w->sizeHint().height());
        w->setGeometry(r);
        if (c.id != kNoControlId) {
            w->setProperty(kControlIdProperty, c.id);
            w->setObjectName(QString::number(c.id));
        }
        w->setFocusPolicy((c.style & kTabStop) ? Qt::StrongFocus : Qt::NoFocus);
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            connect(button, &QAbstractButton::clicked, this,
                    [this, id = c.id] { Dispatch({.message = DialogMessage::Command, .id = id}); });
        }
    }
}

void TemplateDialog::ConnectScrollBar(QScrollBar* bar) {
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) {
        Dispatch({.message = DialogMessage::HScroll,
                  .id = ScrollCodeFor(action),
                  .position = bar->sliderPosition()});
    });
    connect(bar, &QAbstractSlider::sliderReleased, this, [this, bar] {
        Dispatch({.message = DialogMessage::HScroll,
                  .id = kThumbPosition,
                  .position = bar->sliderPosition()});
        Dispatch({.message = DialogMessage::HScroll,
                  .id = kEndScroll,
                  .position = bar->sliderPosition()});
    });
}

void TemplateDialog::PlaceRelativeToOwner() {
    // Template positions count from the owner's client area.
    QPoint origin(0, 0);
    if (owner_) {
        QWidget* client = owner_;
        if (auto* main = qobject_cast<QMainWindow*>(owner_); main && main->centralWidget()) {
            client = main->centralWidget();
        }
        origin = client->mapToGlobal(QPoint(0, 0));
    }
    const QRect units(template_->x, template_->y, template_->width, template_->height);
    const QPoint at = origin + DialogUnitsToPixels(units, base_).topLeft();
    // The whole window on the screen, caption and borders included. Before
    // it is shown its frame is not known: the owner's frame, drawn by the
    // same window manager, stands in for it.
    const QWidget* framed = owner_ ? owner_->window() : nullptr;
    const QMargins margins = framed && framed->isVisible() ? FrameMargins(framed) : QMargins();
    if (QScreen* s = owner_ ? owner_->screen() : screen()) {
        move(KeepFrameOnScreen(QRect(at, size().grownBy(margins)), s->availableGeometry()));
    } else {
        move(at);
    }
}

void TemplateDialog::KeepOnScreen() {
    if (!isVisible() || isMinimized()) return;
    if (QScreen* s = screen()) {
        const QPoint to = KeepFrameOnScreen(frameGeometry(), s->availableGeometry());
        if (to != frameGeometry().topLeft()) move(to);
    }
}

void TemplateDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // The real frame is known once the window manager has framed the window.
    QMetaObject::invokeMethod(this, &TemplateDialog::KeepOnScreen, Qt::QueuedConnection);
}

bool TemplateDialog::Dispatch(const DialogEvent& event) {
    return proc_ && proc_(*this, event);
}

void TemplateDialog::reject() {
    Dispatch({.message = DialogMessage::Command, .id = kCancelId});
}

bool TemplateDialog::event(QEvent* e) {
    if (e->type() == static_cast<QEvent::Type>(kRefreshPanelMessage)) {
        Dispatch({.message = DialogMessage::Refresh});
        return true;
    }
    return QDialog::event(e);
}

void TemplateDialog::keyPressEvent(QKeyEvent* e) {
    // Enter without a default button is the OK command, which the panels ignore.
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && !HasDefaultButton()) {
        Dispatch({.message = DialogMessage::Command, .id = kOkId});
        e->accept();
        return;
    }
    const QString text = e->text();
    if (!text.isEmpty() && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7F) {
        const char character = static_cast<char>(text.at(0).unicode() & 0xFF);
        if (Dispatch({.message = DialogMessage::Char, .character = character})) {
            e->accept();
            return;
        }
    }
    QDialog::keyPressEvent(e);
}

bool TemplateDialog::HasDefaultButton() const {
    const auto buttons = findChildren<QPushButton*>();
    return std::any_of(buttons.begin(), buttons.end(),
                       [](const QPushButton* b) { return b->isDefault() && b->isVisible(); });
}

void TemplateDialog::paintEvent(QPaintEvent* e) {
    if (!Dispatch({.message = DialogMessage::Paint})) QDialog::paintEvent(e);
}

void TemplateDialog::resizeEvent(QResizeEvent* e) {
    QDialog::resizeEvent(e);
    Dispatch({.message = DialogMessage::Size, .minimised = isMinimized()});
}

void TemplateDialog::changeEvent(QEvent* e) {
    QDialog::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange) {
        Dispatch({.message = DialogMessage::Size, .minimised = isMinimized()});
    }
}

void SendRefreshMessage(QWidget* dialog) {
    if (!dialog) return;
    QEvent refresh(static_cast<QEvent::Type>(kRefreshPanelMessage));
    QCoreApplication::sendEvent(dialog, &refresh);
}

}  // namespace calyra::ui
