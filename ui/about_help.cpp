#include "ui/about_help.h"

#include <QFile>
#include <QString>
#include <memory>

#include "ui/about_box.h"
#include "ui/dialog_builder.h"
#include "ui/help_viewer.h"
#include "ui/platform.h"

#ifndef CALYRA_HELP_FILE_NAME
#define CALYRA_HELP_FILE_NAME "Calyra.HLP"
#endif

namespace calyra::ui {

int RunAboutBox(QWidget* owner) {
    if (!owner) return -1;
    std::unique_ptr<TemplateDialog> box(CreateAboutBox(owner));
    return box->exec();
}

void OpenHelp(QWidget* owner, const QString& keyword) {
    const QString name = QStringLiteral(CALYRA_HELP_FILE_NAME);
    QFile file(FindHelpFile(name));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly)) {
        ShowMessage(owner, QStringLiteral("Could not open the help file ") + name, QString(),
                    Icon::Warning);
        return;
    }
    ShowHelpText(QString::fromUtf8(file.readAll()), keyword, owner);
}

}  // namespace calyra::ui
