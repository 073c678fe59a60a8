#include "ui/platform.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cmath>
#include <map>
#include <utility>

#include "base/messages.h"
#include "base/repaint.h"

namespace calyra::ui {

QWidget* frameWindow = nullptr;
QMdiArea* mdiClient = nullptr;
QWidget* renderWindow = nullptr;
QWidget* geometryWindow = nullptr;
QDialog* viewPanel = nullptr;
QDialog* mapPanel = nullptr;
QDialog* slideBar = nullptr;

std::int32_t viewPanelShown = 0;
std::int32_t mapPanelShown = 0;
std::int32_t slideBarShown = 0;
std::int32_t grabTarget = 1;
std::int16_t demoRunning = 0;

namespace {

// A message box without caption shows this one.
const char* const kDefaultCaption = "Error";
const char* const kErasePending = "calyraErasePending";
const char* const kInvalid = "calyraInvalid";

MessageBoxHandler& Handler() {
    static MessageBoxHandler handler;
    return handler;
}

std::map<int, QPointer<QAction>>& MenuItems() {
    static std::map<int, QPointer<QAction>> items;
    return items;
}

QMessageBox::Icon BoxIcon(Icon icon) {
    switch (icon) {
        case Icon::Information:
            return QMessageBox::Information;
        case Icon::Warning:
            return QMessageBox::Warning;
        case Icon::Error:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMdiSubWindow* SubWindowOf(QWidget* window) {
    if (!window) return nullptr;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window)) return sub;
    return qobject_cast<QMdiSubWindow*>(window->parentWidget());
}

QWidget* OwnerWidget(MessageOwner owner) {
    switch (owner) {
        case MessageOwner::RenderWindow:
            return renderWindow;
        case MessageOwner::Frame:
            return frameWindow;
        case MessageOwner::Dialog:
            return QApplication::activeModalWidget();
        case MessageOwner::None:
            break;
    }
    return nullptr;
}

}  // namespace

void ShowMessage(QWidget* owner, const QString& text, const QString& caption, Icon icon) {
    if (Handler()) {
        Handler()(owner, text, caption, icon);
        return;
    }
    const QString title = caption.isEmpty() ? QString::fromLatin1(kDefaultCaption) : caption;
    QMessageBox box(BoxIcon(icon), title, text, QMessageBox::Ok, owner);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    Handler() = std::move(handler);
}

void RegisterMenuItem(int id, QAction* action) {
    MenuItems()[id] = action;
}

QAction* MenuItem(int id) {
    const auto it = MenuItems().find(id);
    return it == MenuItems().end() ? nullptr : it->second.data();
}

void CheckMenuItem(int id, bool checked) {
    QAction* action = MenuItem(id);
    if (!action) return;
    // Only a checked item is checkable, so unchecked items show no empty box.
    if (checked) {
        action->setCheckable(true);
        action->setChecked(true);
    } else {
        action->setChecked(false);
        action->setCheckable(false);
    }
}

void EnableMenuItem(int id, bool enabled) {
    if (QAction* action = MenuItem(id)) action->setEnabled(enabled);
}

bool IsMenuItemChecked(int id) {
    const QAction* action = MenuItem(id);
    return action && action->isChecked();
}

QWidget* DialogItem(QWidget* dialog, int id) {
    if (!dialog) return nullptr;
    const auto children = dialog->findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

void CheckRadioButton(QDialog* panel, int first, int last, int id) {
    if (!panel) return;
    // Setting a check notifies nobody, like a check set by the program.
    if (auto* target = qobject_cast<QAbstractButton*>(DialogItem(panel, id))) {
        const QSignalBlocker block(target);
        target->setChecked(true);
    }
    for (int other = first; other <= last; ++other) {
        if (other == id) continue;
        auto* button = qobject_cast<QAbstractButton*>(DialogItem(panel, other));
        if (!button || !button->isChecked()) continue;
        const QSignalBlocker block(button);
        // An exclusive group keeps one button checked: with no button of the
        // range to check (a type the panel has none for), none stays checked.
        QButtonGroup* group = button->group();
        const bool groupExclusive = group && group->exclusive();
        if (group) group->setExclusive(false);
        const bool exclusive = button->autoExclusive();
        button->setAutoExclusive(false);
        button->setChecked(false);
        button->setAutoExclusive(exclusive);
        if (group) group->setExclusive(groupExclusive);
    }
}

bool IsRadioButtonChecked(QDialog* panel, int id) {
    const auto* button = qobject_cast<QAbstractButton*>(DialogItem(panel, id));
    return button && button->isChecked();
}

void InvalidateWindow(QWidget* window, Background background) {
    if (!window) return;
    // Requests add up until the next paint: one erasing request is enough.
    if (background == Background::Erase) window->setProperty(kErasePending, true);
    if (window->property(kInvalid).toBool()) return;
    window->setProperty(kInvalid, true);
    // The paint comes from the event loop, as an invalid window's paint does.
    // Qt's own update() is deferred to then: a synchronous repaint of another
    // window flushes every dirty widget, and must not paint this one early.
    QMetaObject::invokeMethod(
        window,
        [window] {
            if (!window->property(kInvalid).toBool()) return;
            if (auto* slow = dynamic_cast<PreparesPaint*>(window)) slow->preparePaint();
            window->update();
        },
        Qt::QueuedConnection);
}

bool TakeEraseRequest(QWidget* window) {
    if (!window) return false;
    window->setProperty(kInvalid, false);
    const bool erase = window->property(kErasePending).toBool();
    window->setProperty(kErasePending, false);
    return erase;
}

void PaintNow(QWidget* window) {
    if (!window) return;
    if (auto* slow = dynamic_cast<PreparesPaint*>(window)) slow->preparePaint();
    const QWindow* handle = window->window()->windowHandle();
    if (window->isVisible() && handle && handle->isExposed()) {
        window->repaint();
        return;
    }
    // Not on screen (minimised, or not yet exposed): the paint handler still
    // runs at once, as a paint message sent to the window directly would.
    window->grab();
}

void SetWindowCaption(QWidget* window, const QString& caption) {
    if (!window) return;
    window->setWindowTitle(caption);
    if (QMdiSubWindow* sub = SubWindowOf(window); sub && sub != window)
        sub->setWindowTitle(caption);
}

void PrepareDrawnWindow(QWidget* window, const char* title) {
    window->setWindowTitle(QString::fromLatin1(title));
    window->setAttribute(Qt::WA_OpaquePaintEvent);
    window->setFocusPolicy(Qt::StrongFocus);
}

void BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void PostQuitMessage(int exitCode) {
    if (auto* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(
            app, [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
    }
}

void RestoreIfMaximised(QWidget* window) {
    QMdiSubWindow* sub = SubWindowOf(window);
    if (!sub || !sub->isMaximized()) return;
    // Queued: a paint handler must not change geometry while it paints.
    QMetaObject::invokeMethod(sub, &QWidget::showNormal, Qt::QueuedConnection);
}

void RedrawRenderWindowCells() {
    if (auto* window = dynamic_cast<RedrawsCells*>(renderWindow)) window->redrawCells();
}

void InstallCoreHooks() {
    SetMessageSink([](const Message& message) {
        ShowMessage(OwnerWidget(message.owner), QString::fromStdString(message.text),
                    QString::fromStdString(message.caption), message.icon);
    });
    SetBusyHook([](bool busy) { busy ? BeginWaitCursor() : EndWaitCursor(); });
}

}  // namespace calyra::ui
