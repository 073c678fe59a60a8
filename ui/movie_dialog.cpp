#include "ui/movie_dialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "movie/movie_encoder.h"
#include "ui/file_chooser.h"

namespace calyra::ui {
namespace {

// A whole turn in tenths of a degree at the most.
constexpr int kMaxFrames = 3600;

MovieAsker& InstalledAsker() {
    static MovieAsker asker;
    return asker;
}

}  // namespace

std::optional<MovieChoice> AskForMovie(QWidget* owner, const MovieChoice& last) {
    QDialog dialog(owner);
    dialog.setWindowTitle(QString::fromLatin1(FileUseCaption(FileUse::SaveMovie)));
    auto* form = new QFormLayout(&dialog);

    auto* frames = new QSpinBox(&dialog);
    frames->setRange(1, kMaxFrames);
    frames->setValue(last.frames);
    form->addRow(QStringLiteral("&Frames in a whole turn:"), frames);

    auto* axis = new QComboBox(&dialog);
    axis->addItem(QStringLiteral("Horizontal (as a drag across)"));
    axis->addItem(QStringLiteral("Vertical (as a drag down)"));
    axis->setCurrentIndex(last.axis == TurnAxis::Vertical ? 1 : 0);
    form->addRow(QStringLiteral("&Turn:"), axis);

    auto* fps = new QSpinBox(&dialog);
    fps->setRange(1, movie::kMaxFps);
    fps->setValue(last.fps);
    form->addRow(QStringLiteral("Frames a &second:"), fps);

    auto* fileRow = new QHBoxLayout;
    auto* path = new QLineEdit(QString::fromStdString(last.path), &dialog);
    path->setMinimumWidth(280);
    auto* browse = new QPushButton(QStringLiteral("&Browse..."), &dialog);
    fileRow->addWidget(path);
    fileRow->addWidget(browse);
    // A row of two widgets: the label needs its buddy for Alt+I to reach the name.
    auto* fileLabel = new QLabel(QStringLiteral("F&ile (.mp4, .webm, .gif):"), &dialog);
    fileLabel->setBuddy(path);
    form->addRow(fileLabel, fileRow);
    QObject::connect(browse, &QPushButton::clicked, &dialog, [&dialog, path] {
        const QString chosen = ChooseFileFor(&dialog, FileUse::SaveMovie);
        if (!chosen.isEmpty()) path->setText(chosen);
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // No file yet: OK waits for one.
    const auto needName = [buttons, path] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(!path->text().trimmed().isEmpty());
    };
    QObject::connect(path, &QLineEdit::textChanged, &dialog, needName);
    needName();

    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return MovieChoice{frames->value(),
                       axis->currentIndex() == 1 ? TurnAxis::Vertical : TurnAxis::Horizontal,
                       fps->value(), path->text().trimmed().toStdString()};
}

void SetMovieAsker(MovieAsker asker) {
    InstalledAsker() = std::move(asker);
}

std::optional<MovieChoice> RunMovieAsker(QWidget* owner, const MovieChoice& last) {
    if (InstalledAsker()) return InstalledAsker()(owner, last);
    return AskForMovie(owner, last);
}

}  // namespace calyra::ui
