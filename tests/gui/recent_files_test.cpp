// "Open Recent": the last eight volumes and views opened, most recent first,
// kept in a settings file across runs, each opened again the way it was
// opened first; one no longer there is named and taken off.
#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <map>

#include "resources/menu_table.h"
#include "tests/gui/frame_fixture.h"
#include "ui/commands.h"
#include "ui/recent_list.h"
#include "ui/recent_menu.h"
#include "ui/shown_view.h"
#include "ui/view_commands.h"

namespace calyra::ui::testing {
namespace {

// An n x n x n signed 16-bit NRRD, every voxel n.
void WriteNrrd(const QString& path, int n) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("NRRD0004\ntype: short\ndimension: 3\nsizes: %1 %1 %1\nencoding: "
                           "raw\nendian: little\n\n")
                .arg(n)
                .toLatin1());
    const std::int16_t v = static_cast<std::int16_t>(n);
    for (int k = 0; k < n * n * n; ++k) f.write(reinterpret_cast<const char*>(&v), 2);
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class RecentTest : public FrameFixture {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        SetSettingsFile(dir.filePath(QStringLiteral("calyra.conf")));
        FrameFixture::SetUp();
        messages.clear();  // the welcome box
    }
    void TearDown() override {
        FrameFixture::TearDown();
        SetSettingsFile(QString());
    }
    // A fresh NRRD of side n in the test's folder, opened as Open Volume does.
    QString OpenScan(int n) {
        const QString path = dir.filePath(QStringLiteral("scan%1.nrrd").arg(n));
        WriteNrrd(path, n);
        EXPECT_TRUE(OpenVolumePath(frame, path));
        return path;
    }
    QStringList Paths() const {
        QStringList paths;
        for (const RecentEntry& e : RecentEntries()) paths << e.path;
        return paths;
    }
    static QString Label(int k) {
        QAction* item = MenuItem(kCmdRecentFirst + k);
        return item && item->isVisible() ? item->text() : QString();
    }

    TempDir dir;
};

TEST_F(RecentTest, TheMostRecentComesFirstAndEightAtTheMost) {
    QStringList opened;
    for (int n = 2; n <= 11; ++n) opened.prepend(OpenScan(n));
    EXPECT_EQ(Paths(), opened.mid(0, kRecentLimit));
    EXPECT_EQ(Label(0), QStringLiteral("&1 ") + opened[0]);
    EXPECT_EQ(Label(7), QStringLiteral("&8 ") + opened[7]);
    // Opened again: first once more, and only once.
    OpenScan(5);
    const QStringList again = Paths();
    EXPECT_EQ(again.front(), dir.filePath(QStringLiteral("scan5.nrrd")));
    EXPECT_EQ(again.size(), kRecentLimit);
    EXPECT_EQ(again.count(again.front()), 1);
    EXPECT_TRUE(messages.empty());
}

TEST_F(RecentTest, ChoosingAnItemOpensItAgain) {
    OpenScan(3);
    OpenScan(4);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 4);
    DispatchCommand(frame, kCmdRecentFirst + 1);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 3);
    EXPECT_EQ(Paths().front(), dir.filePath(QStringLiteral("scan3.nrrd")));
    EXPECT_TRUE(messages.empty());
}

TEST_F(RecentTest, OneNoLongerThereIsNamedAndTakenOff) {
    const QString gone = OpenScan(3);
    const QString kept = OpenScan(4);
    ASSERT_TRUE(QFile::remove(gone));
    DispatchCommand(frame, kCmdRecentFirst + 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(gone)) << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].caption, QStringLiteral("Open Recent"));
    EXPECT_EQ(Paths(), QStringList{kept});
    EXPECT_EQ(Label(1), QString());
    // The volume shown stays.
    EXPECT_EQ(Store(ProgramSession()).dims.x, 4);
}

TEST_F(RecentTest, TheListSurvivesARestartOfTheFrame) {
    const QString first = OpenScan(3);
    const QString second = OpenScan(4);
    delete frame;
    frame = StartCalyra();
    EXPECT_EQ(Label(0), QStringLiteral("&1 ") + second);
    EXPECT_EQ(Label(1), QStringLiteral("&2 ") + first);
    DispatchCommand(frame, kCmdRecentFirst + 1);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 3);
}

TEST_F(RecentTest, AnEmptyListShowsOneDisabledItem) {
    EXPECT_EQ(Label(0), QString::fromLatin1(kNoRecentText));
    EXPECT_FALSE(MenuItem(kCmdRecentFirst)->isEnabled());
    EXPECT_EQ(Label(1), QString());
    DispatchCommand(frame, kCmdRecentFirst);  // nothing there: nothing happens
    EXPECT_TRUE(messages.empty());
}

// The import's dialog runs once; the item imports again with its parameters.
TEST_F(RecentTest, ARawImportOpensAgainWithItsParametersAndNoDialog) {
    const QString raw = dir.filePath(QStringLiteral("cube.raw"));
    WriteBytes(raw, QByteArray(6 * 5 * 4, '\x40'));
    WriteBytes(raw + QStringLiteral(".inf"), "X= 6\nY= 5\nZ= 4\nbinary\n1\n0\n");
    int dialogs = 0;
    OnNextModal([&dialogs](QWidget* modal) {
        ++dialogs;
        if (auto* ok = qobject_cast<QAbstractButton*>(DialogItem(modal, kOkId))) ok->click();
        if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject");
    });
    ASSERT_TRUE(OpenVolumePath(frame, raw));
    EXPECT_EQ(dialogs, 1);
    const std::vector<RecentEntry> entries = RecentEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].kind, RecentEntry::Kind::Raw);
    EXPECT_EQ(entries[0].params.dimX, 6);
    EXPECT_EQ(entries[0].params.dimZ, 4);
    EXPECT_EQ(Label(0), QStringLiteral("&1 ") + raw + QStringLiteral("  (raw 6 x 5 x 4)"));

    DispatchCommand(frame, kCmdBallModel);
    ASSERT_EQ(Store(ProgramSession()).dims.x, 64);
    DispatchCommand(frame, kCmdRecentFirst);
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 6);
    EXPECT_EQ(Store(ProgramSession()).dims.y, 5);
    EXPECT_EQ(Store(ProgramSession()).dims.z, 4);
    EXPECT_TRUE(messages.empty()) << messages.front().text.toStdString();
}

TEST_F(RecentTest, AViewFileOpensAgainAsOpenViewOpensIt) {
    DispatchCommand(frame, kCmdCone);
    const QString view = dir.filePath(QStringLiteral("cone.view"));
    WriteBytes(view, ShownViewText().toUtf8());
    DispatchCommand(frame, kCmdBallModel);
    ASSERT_TRUE(OpenViewPath(frame, view));
    EXPECT_EQ(ProgramSession().shownVolume.model, "cone");
    EXPECT_EQ(Label(0), QStringLiteral("&1 ") + view + QStringLiteral("  (view)"));
    DispatchCommand(frame, kCmdBallModel);
    DispatchCommand(frame, kCmdRecentFirst);
    EXPECT_EQ(ProgramSession().shownVolume.model, "cone");
    EXPECT_TRUE(messages.empty());
}

class RecentName : public RecentTest, public ::testing::WithParamInterface<const char*> {};

// Names the settings reader might take apart come back as they went in, with
// the import's parameters.
TEST_P(RecentName, ComesBackFromTheFileAsItWent) {
    RecentEntry raw;
    raw.kind = RecentEntry::Kind::Raw;
    raw.path = QString::fromUtf8(GetParam());
    raw.format = RawFormat::Ascii;
    raw.params = {300, 2, 7, 0.7f, 1.0f / 3.0f, 2.5f};
    raw.options = {2, 1, 512};
    RememberRecent(raw);
    const std::vector<RecentEntry> read = RecentEntries();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].path, raw.path);
    EXPECT_EQ(read[0].format, RawFormat::Ascii);
    EXPECT_EQ(read[0].params.dimX, 300);
    EXPECT_EQ(read[0].params.aspectY, 1.0f / 3.0f);
    EXPECT_EQ(read[0].options.headerBytes, 512);
    EXPECT_EQ(read[0].options.reverseBytes, 1);
}

INSTANTIATE_TEST_SUITE_P(Names, RecentName,
                         ::testing::Values("/data/scan.raw", "/data/a, b; c = d.raw",
                                           "/data/\"quoted\" \\back\\slash.raw",
                                           "/data/Kn\xc3\xb6"
                                           "chel & Co [1].raw",
                                           "/data/two\nlines.raw"));

struct DamagedCase {
    const char* label;
    const char* entry;  // the settings of one entry, key=value lines
};

class DamagedRecentEntry : public RecentTest, public ::testing::WithParamInterface<DamagedCase> {};

// A settings file edited by hand or by another version: what does not read is
// left out, what does stays.
TEST_P(DamagedRecentEntry, IsLeftOutAndTheOthersStay) {
    const QString file = SettingsFile();
    WriteBytes(file, QByteArray("[recent]\n1\\kind=volume\n1\\path=/kept.nrrd\n") +
                         GetParam().entry + "size=2\n");
    EXPECT_EQ(Paths(), QStringList{QStringLiteral("/kept.nrrd")});
}

INSTANTIATE_TEST_SUITE_P(
    Entries, DamagedRecentEntry,
    ::testing::Values(DamagedCase{"UnknownKind", "2\\kind=movie\n2\\path=/a\n"},
                      DamagedCase{"NoPath", "2\\kind=view\n"},
                      DamagedCase{"ShortDims",
                                  "2\\kind=raw\n2\\path=/a\n2\\dims=1 2\n2\\aspect=1 1 "
                                  "1\n2\\import=1 0 0\n"},
                      DamagedCase{"PastThirtyTwoBits",
                                  "2\\kind=raw\n2\\path=/a\n2\\dims=1 2 "
                                  "1e30\n2\\aspect=1 1 1\n2\\import=1 0 0\n"},
                      DamagedCase{"WordsForNumbers",
                                  "2\\kind=raw\n2\\path=/a\n2\\dims=1 2 3\n2\\a"
                                  "spect=1 x 1\n2\\import=1 0 0\n"}),
    [](const auto& row) { return std::string(row.param.label); });

// Alt and the letter reach one item: no new item shares a sibling's letter.
TEST(MenuMnemonics, AreUniqueWithinEachMenu) {
    std::vector<std::map<QChar, QStringList>> open;
    QStringList clashes;
    for (const resources::MenuEntry& e : resources::MenuTable()) {
        const QString text = QString::fromLatin1(e.text);
        const int at = text.indexOf(QLatin1Char('&'));
        const bool marked = at >= 0 && at + 1 < text.size() && text[at + 1] != QLatin1Char('&');
        if ((e.kind == resources::MenuKind::Item || e.kind == resources::MenuKind::Popup) &&
            marked && !open.empty()) {
            QStringList& same = open.back()[text[at + 1].toLower()];
            same << text;
            if (same.size() == 2) clashes << same.join(QStringLiteral(" / "));
        }
        if (e.kind == resources::MenuKind::Popup) open.emplace_back();
        if (e.kind == resources::MenuKind::EndPopup && !open.empty()) open.pop_back();
    }
    // The clashes the program has always had; Alt and the letter there go to each in turn.
    QStringList known = {QStringLiteral("Math Model &Combined / Math Model &Cone"),
                         QStringLiteral("Grab &ViewPlane (Rt. Mouse Button) / Snap &ViewPlane to:"),
                         QStringLiteral("Grab &World     (Left Mouse Button) / Snap &World to:"),
                         QStringLiteral("&Colour Map / Snap ViewPlane to &Cursor")};
    clashes.sort();
    known.sort();
    EXPECT_EQ(clashes.join(QLatin1Char('\n')).toStdString(),
              known.join(QLatin1Char('\n')).toStdString());
}

}  // namespace
}  // namespace calyra::ui::testing
