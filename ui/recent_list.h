// The volumes and views opened last, most recent first, kept in the
// program's settings file between runs.
#pragma once

#include <QString>
#include <vector>

#include "volume/raw_reader.h"

namespace calyra::ui {

inline constexpr int kRecentLimit = 8;

struct RecentEntry {
    // A standard file or folder, a raw import with its parameters, a view file.
    enum class Kind { Volume, Raw, View };
    Kind kind = Kind::Volume;
    QString path;
    // Raw: the import as it was accepted.
    RawFormat format = RawFormat::Binary;
    ImportParams params;
    ImportOptions options;
};

// The settings file: $CALYRA_SETTINGS when set, else calyra/calyra.conf in
// the user's configuration folder. A non-empty path given here wins over
// both (tests point it at a folder of their own); empty restores them.
void SetSettingsFile(const QString& path);
QString SettingsFile();

// The list as the settings file holds it; entries that do not read are left out.
std::vector<RecentEntry> RecentEntries();
// Puts entry first, dropping an older entry of the same path and kind and
// any past the eighth, and writes the list.
void RememberRecent(const RecentEntry& entry);
// Drops the entry at index (0 the most recent) and writes the list.
void ForgetRecent(int index);

}  // namespace calyra::ui
