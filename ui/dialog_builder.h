// The one template builder: turns a dialog template (resources/dialog_templates.h)
// into a Qt dialog whose controls carry their template ids, and routes what
// happens in it to a dialog procedure.
#pragma once

#include <QDialog>

class QScrollBar;

#include "resources/command_ids.h"
#include "resources/dialog_templates.h"
#include "ui/dialog_controls.h"

namespace calyra::ui {

// Scroll request codes of a horizontal scroll bar.
enum ScrollCode : int {
    kLineLeft = 0,
    kLineRight = 1,
    kPageLeft = 2,
    kPageRight = 3,
    kThumbPosition = 4,
    kThumbTrack = 5,
    kLeftEnd = 6,
    kRightEnd = 7,
    kEndScroll = 8,
};

enum class DialogMessage {
    Init,     // controls exist; answer true to give the first tab stop the focus
    Command,  // id: the control clicked, or kOkId / kCancelId
    Refresh,  // the private refresh message (kRefreshPanelMessage)
    Size,     // minimised: whether the dialog is now minimised
    Char,     // character: low byte of a typed character no control took
    HScroll,  // id: a ScrollCode; position: the thumb position
    Paint,    // the dialog's background is being painted
};

struct DialogEvent {
    DialogMessage message = DialogMessage::Init;
    int id = 0;
    int position = 0;
    bool minimised = false;
    char character = 0;
};

// A panel floats beside its owner; a modal dialog runs until it ends.
enum class DialogMode { Panel, Modal };

class TemplateDialog;
// Answers true when it handled the message.
using DialogProc = bool (*)(TemplateDialog& dialog, const DialogEvent& event);

class TemplateDialog : public QDialog {
    Q_OBJECT

  public:
    TemplateDialog(const DialogTemplate& dialogTemplate, QWidget* owner, DialogProc proc,
                   DialogMode mode);

    const DialogTemplate& dialogTemplate() const { return *template_; }
    DialogBaseUnits baseUnits() const { return base_; }
    QWidget* owner() const { return owner_; }
    // Ends a modal run with this result and hides the dialog.
    void EndDialog(int result) { done(result); }
    // Escape and the system Close arrive as the Cancel command; the dialog
    // closes only if its procedure ends it.
    void reject() override;

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    bool Dispatch(const DialogEvent& event);
    void CreateControls();
    void ConnectScrollBar(QScrollBar* bar);
    void PlaceRelativeToOwner();
    void KeepOnScreen();
    bool HasDefaultButton() const;

    const DialogTemplate* template_;
    QWidget* owner_;
    DialogProc proc_;
    DialogBaseUnits base_;
};

// Where a window whose frame (caption and borders included) is frame goes so
// that the whole frame lies on the screen area: moved as little as possible,
// and a frame larger than the area keeps its top-left corner on it.
QPoint KeepFrameOnScreen(const QRect& frame, const QRect& area);

// Sends the private refresh message to a panel (nothing on null).
void SendRefreshMessage(QWidget* dialog);

}  // namespace calyra::ui
