#include "ui/recent_list.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <climits>
#include <cmath>

#include "base/file_writer.h"

namespace calyra::ui {
namespace {

constexpr char kGroup[] = "recent";
constexpr const char* kKindNames[] = {"volume", "raw", "view"};

QString& GivenFile() {
    static QString file;
    return file;
}

QSettings Store() {
    return QSettings(SettingsFile(), QSettings::IniFormat);
}

// Floats as the shortest text that reads back to the same value.
QString Numbers(std::initializer_list<double> values) {
    QStringList words;
    for (const double v : values) words << QString::number(v, 'g', 9);
    return words.join(QLatin1Char(' '));
}

// count numbers, whole ones within 32 bits when whole (a hand-edited file
// may hold anything), else finite; ok turns false on any other text.
std::vector<double> ReadNumbers(const QString& text, int count, bool whole, bool& ok) {
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<double> values;
    ok = ok && words.size() == count;
    for (const QString& w : words) {
        bool good = false;
        const double v = w.toDouble(&good);
        good = good && std::isfinite(v);
        if (whole) good = good && v == std::trunc(v) && std::abs(v) <= INT32_MAX;
        values.push_back(good ? v : 0.0);
        ok = ok && good;
    }
    return values;
}

// A value as the settings reader takes it back: quoted, so that commas and
// semicolons stay letters, with backslash, quote and line breaks escaped.
QString Quoted(const QString& text) {
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"')) {
            out += QLatin1Char('\\');
            out += c;
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else {
            out += c;
        }
    }
    return out + QLatin1Char('"');
}

// The entry's lines of the [recent] group, keyed as the reader's array keys them.
QString EntryLines(const RecentEntry& e, int index) {
    const QString key = QString::number(index + 1) + QStringLiteral("\\");
    QString lines;
    const auto line = [&](const char* name, const QString& value) {
        lines += key + QLatin1String(name) + QLatin1Char('=') + Quoted(value) + QLatin1Char('\n');
    };
    line("kind", QString::fromLatin1(kKindNames[static_cast<int>(e.kind)]));
    line("path", e.path);
    if (e.kind != RecentEntry::Kind::Raw) return lines;
    line("dims", Numbers({double(e.params.dimX), double(e.params.dimY), double(e.params.dimZ)}));
    line("aspect", Numbers({e.params.aspectX, e.params.aspectY, e.params.aspectZ}));
    line("import", Numbers({double(e.options.bytesPerVoxel), double(e.options.reverseBytes),
                            double(e.options.headerBytes)}));
    line("ascii", e.format == RawFormat::Ascii ? QStringLiteral("true") : QStringLiteral("false"));
    return lines;
}

bool Read(QSettings& s, RecentEntry& e) {
    const QString kind = s.value("kind").toString();
    int k = 0;
    while (k < 3 && kind != QLatin1String(kKindNames[k])) ++k;
    e.path = s.value("path").toString();
    if (k == 3 || e.path.isEmpty()) return false;
    e.kind = static_cast<RecentEntry::Kind>(k);
    if (e.kind != RecentEntry::Kind::Raw) return true;
    bool ok = true;
    const std::vector<double> dims = ReadNumbers(s.value("dims").toString(), 3, true, ok);
    const std::vector<double> aspect = ReadNumbers(s.value("aspect").toString(), 3, false, ok);
    const std::vector<double> import = ReadNumbers(s.value("import").toString(), 3, true, ok);
    if (!ok) return false;
    e.params = {static_cast<std::int32_t>(dims[0]), static_cast<std::int32_t>(dims[1]),
                static_cast<std::int32_t>(dims[2]), static_cast<float>(aspect[0]),
                static_cast<float>(aspect[1]),      static_cast<float>(aspect[2])};
    e.options = {static_cast<std::int32_t>(import[0]), static_cast<std::int32_t>(import[1]),
                 static_cast<std::int32_t>(import[2])};
    e.format = s.value("ascii").toBool() ? RawFormat::Ascii : RawFormat::Binary;
    return true;
}

// Written whole through the one file writer, as every file of the program.
// A list that cannot be kept is no reason to stop the user: it is given up.
void WriteAll(const std::vector<RecentEntry>& entries) {
    QString text = QStringLiteral("[recent]\n");
    for (std::size_t i = 0; i < entries.size(); ++i)
        text += EntryLines(entries[i], static_cast<int>(i));
    text += QStringLiteral("size=%1\n").arg(entries.size());
    const QString file = SettingsFile();
    QDir().mkpath(QFileInfo(file).absolutePath());
    WriteFileAtomically(file.toStdString(), text.toStdString());
}

}  // namespace

void SetSettingsFile(const QString& path) {
    GivenFile() = path;
}

QString SettingsFile() {
    if (!GivenFile().isEmpty()) return GivenFile();
    const QString fromEnvironment = qEnvironmentVariable("CALYRA_SETTINGS");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("calyra/calyra.conf"));
}

std::vector<RecentEntry> RecentEntries() {
    QSettings s = Store();
    std::vector<RecentEntry> entries;
    const int n = s.beginReadArray(kGroup);
    for (int i = 0; i < n && static_cast<int>(entries.size()) < kRecentLimit; ++i) {
        s.setArrayIndex(i);
        RecentEntry e;
        if (Read(s, e)) entries.push_back(e);
    }
    s.endArray();
    return entries;
}

void RememberRecent(const RecentEntry& entry) {
    std::vector<RecentEntry> entries = RecentEntries();
    std::erase_if(entries, [&entry](const RecentEntry& e) {
        return e.kind == entry.kind && e.path == entry.path;
    });
    entries.insert(entries.begin(), entry);
    if (entries.size() > kRecentLimit) entries.resize(kRecentLimit);
    WriteAll(entries);
}

void ForgetRecent(int index) {
    std::vector<RecentEntry> entries = RecentEntries();
    if (index < 0 || index >= static_cast<int>(entries.size())) return;
    entries.erase(entries.begin() + index);
    WriteAll(entries);
}

}  // namespace calyra::ui
