// The tests' one temporary folder (tests/temp_folder.h), with the QString
// paths the windows and dialogs take.
#pragma once

#include <QString>

#include "tests/temp_folder.h"

namespace calyra::ui::testing {

class TempDir {
  public:
    bool isValid() const { return !folder_.path().empty(); }
    QString path() const { return QString::fromStdString(folder_.path().string()); }
    QString filePath(const QString& name) const { return path() + QLatin1Char('/') + name; }

  private:
    test::TempFolder folder_{"calyra_gui"};
};

}  // namespace calyra::ui::testing
