#include "ui/recent_menu.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include "resources/command_ids.h"
#include "ui/platform.h"
#include "ui/recent_list.h"

namespace calyra::ui {
namespace {

QString KindNote(const RecentEntry& e) {
    switch (e.kind) {
        case RecentEntry::Kind::Raw:
            return QStringLiteral("  (raw %1 x %2 x %3)")
                .arg(e.params.dimX)
                .arg(e.params.dimY)
                .arg(e.params.dimZ);
        case RecentEntry::Kind::View:
            return QStringLiteral("  (view)");
        case RecentEntry::Kind::Volume:
            break;
    }
    return QString();
}

RecentEntry EntryOf(RecentEntry::Kind kind, const QString& path) {
    RecentEntry e;
    e.kind = kind;
    e.path = path;
    return e;
}

void Remember(RecentEntry entry) {
    entry.path = QFileInfo(entry.path).absoluteFilePath();
    RememberRecent(entry);
    ShowRecentItems();
}

}  // namespace

void ShowRecentItems() {
    const std::vector<RecentEntry> entries = RecentEntries();
    for (int k = 0; k < kRecentCount; ++k) {
        QAction* item = MenuItem(kCmdRecentFirst + k);
        if (!item) continue;
        const bool used = k < static_cast<int>(entries.size());
        if (used) {
            // A "&" in a name is a letter, not a mnemonic.
            QString name = QDir::toNativeSeparators(entries[k].path);
            name.replace(QLatin1Char('&'), QStringLiteral("&&"));
            item->setText(QStringLiteral("&%1 %2%3").arg(k + 1).arg(name, KindNote(entries[k])));
        } else if (k == 0) {
            item->setText(QString::fromLatin1(kNoRecentText));
        }
        item->setVisible(used || k == 0);
        item->setEnabled(used);
    }
}

void RememberOpenedVolume(const QString& path) {
    Remember(EntryOf(RecentEntry::Kind::Volume, path));
}

void RememberImport(const ViewVolume& shown) {
    if (shown.kind != ViewVolume::Kind::Raw) return;
    Remember({RecentEntry::Kind::Raw, QString::fromStdString(shown.path), shown.format,
              shown.params, shown.options});
}

void RememberOpenedView(const QString& path) {
    Remember(EntryOf(RecentEntry::Kind::View, path));
}

}  // namespace calyra::ui
