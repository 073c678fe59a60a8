#include "ui/dialog_controls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "ui/panel_icons.h"
#include "ui/platform.h"

namespace calyra::ui {
namespace {

using resources::kBorder;
using resources::kReadOnly;

int ToPixels(int units, int base, int divisor) {
    return static_cast<int>(std::lround(static_cast<double>(units) * base / divisor));
}

// A scroll bar control's keyboard interface: left and up step left, right and
// down step right, Page Up and Page Down page, Home and End go to the ends.
class DialogScrollBar : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;

  protected:
    void keyPressEvent(QKeyEvent* e) override {
        static constexpr std::pair<int, SliderAction> kKeys[] = {
            {Qt::Key_Left, SliderSingleStepSub},  {Qt::Key_Up, SliderSingleStepSub},
            {Qt::Key_Right, SliderSingleStepAdd}, {Qt::Key_Down, SliderSingleStepAdd},
            {Qt::Key_PageUp, SliderPageStepSub},  {Qt::Key_PageDown, SliderPageStepAdd},
            {Qt::Key_Home, SliderToMinimum},      {Qt::Key_End, SliderToMaximum},
        };
        for (const auto& [key, action] : kKeys) {
            if (e->key() == key) {
                triggerAction(action);
                e->accept();
                return;
            }
        }
        QScrollBar::keyPressEvent(e);
    }
};

QAbstractButton* ButtonItem(QWidget* dialog, int id) {
    return qobject_cast<QAbstractButton*>(DialogItem(dialog, id));
}

}  // namespace

DialogBaseUnits BaseUnitsOf(const QFont& font) {
    // The average over the 52 letters, rounded, like the classic dialog manager.
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const QFontMetrics metrics(font);
    const int sum = metrics.horizontalAdvance(kLetters);
    return {(sum / 26 + 1) / 2, metrics.height()};
}

QRect DialogUnitsToPixels(const QRect& units, DialogBaseUnits base) {
    return QRect(ToPixels(units.x(), base.width, 4), ToPixels(units.y(), base.height, 8),
                 ToPixels(units.width(), base.width, 4), ToPixels(units.height(), base.height, 8));
}

QWidget* MakeControlWidget(const ControlTemplate& c, QWidget* dialog, DialogBaseUnits base) {
    const QString text = QString::fromLatin1(c.text);
    switch (c.kind) {
        case ControlKind::GroupBox:
            return new QGroupBox(text, dialog);
        case ControlKind::RadioButton: {
            auto* radio = new QRadioButton(text, dialog);
            radio->setAutoExclusive(false);  // the dialog groups its radio buttons
            return radio;
        }
        case ControlKind::CheckBox:
            return new QCheckBox(text, dialog);
        case ControlKind::PushButton:
        case ControlKind::DefaultPushButton: {
            auto* button = new QPushButton(text, dialog);
            // Only a template's default button takes Enter; Qt would otherwise
            // make the first or the focused button the default.
            button->setAutoDefault(false);
            button->setDefault(c.kind == ControlKind::DefaultPushButton);
            return button;
        }
        case ControlKind::Label:
        case ControlKind::CenteredLabel: {
            auto* label = new QLabel(text, dialog);
            label->setWordWrap(true);
            label->setAlignment(
                Qt::AlignTop |
                (c.kind == ControlKind::CenteredLabel ? Qt::AlignHCenter : Qt::AlignLeft));
            return label;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(text, dialog);
            edit->setReadOnly(c.style & kReadOnly);
            edit->setFrame(c.style & kBorder);
            return edit;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(dialog);
            const QRect r = DialogUnitsToPixels(QRect(c.x, c.y, c.width, c.height), base);
            label->setPixmap(PanelIcon(c.text, std::min(r.width(), r.height())));
            label->setAlignment(Qt::AlignCenter);
            return label;
        }
        case ControlKind::HorizontalScrollBar: {
            auto* bar = new DialogScrollBar(Qt::Horizontal, dialog);
            bar->setRange(0, 100);
            bar->setPageStep(10);
            return bar;
        }
        case ControlKind::DropDownList: {
            auto* combo = new QComboBox(dialog);
            combo->setInsertPolicy(QComboBox::InsertAlphabetically);
            return combo;
        }
    }
    return new QWidget(dialog);
}

QString DialogItemText(QWidget* dialog, int id) {
    QWidget* w = DialogItem(dialog, id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* box = qobject_cast<QGroupBox*>(w)) return box->title();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    return QString();
}

void SetDialogItemText(QWidget* dialog, int id, const QString& text) {
    QWidget* w = DialogItem(dialog, id);
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(text);
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(text);
    }
}

void SetDialogItemInt(QWidget* dialog, int id, int value) {
    SetDialogItemText(dialog, id, QString::number(value));
}

bool IsDialogButtonChecked(QWidget* dialog, int id) {
    QAbstractButton* button = ButtonItem(dialog, id);
    return button && button->isChecked();
}

void CheckDialogButton(QWidget* dialog, int id, bool checked) {
    QAbstractButton* button = ButtonItem(dialog, id);
    if (!button || !button->isCheckable()) return;
    // An exclusive group refuses to uncheck its checked button.
    QButtonGroup* group = button->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive && !checked) group->setExclusive(false);
    button->setChecked(checked);
    if (exclusive && !checked) group->setExclusive(true);
}

}  // namespace calyra::ui
