// The About box over its blue ramp, and the help file with its viewer.
#include "ui/about_help.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <memory>

#include "resources/dialog_templates.h"
#include "resources/menu_table.h"
#include "tests/gui/frame_fixture.h"
#include "tests/gui/temp_dir.h"
#include "ui/about_box.h"
#include "ui/dialog_builder.h"
#include "ui/help_viewer.h"
#include "ui/ramp_palette.h"

namespace calyra::ui::testing {
namespace {

// The help file in the source tree.
QString SourceHelpFile() {
    return QStringLiteral(CALYRA_SOURCE_DIR "/resources/Calyra.HLP");
}

QString ReadSourceHelp() {
    QFile file(SourceHelpFile());
    if (!file.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(file.readAll());
}

// A label as the user reads it: no mnemonic marks, tabs or runs of blanks.
QString Readable(QString label) {
    label.remove(QLatin1Char('&')).remove(QLatin1Char('\b'));
    return label.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" ")).trimmed();
}

TEST(RampPalette, TrueColourShows256SquaresFromBlackToBlue) {
    const RampPicture ramp = RampSquares(RampDevice{}, kRampBlue);
    EXPECT_EQ(ramp.extent, 512);
    ASSERT_EQ(ramp.squares.size(), 256u);
    const RampSquare& outer = ramp.squares.front();
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.right, 512);
    EXPECT_EQ(outer.colour, QColor(0, 0, 0));
    const RampSquare& inner = ramp.squares.back();
    EXPECT_EQ(inner.top, 255);
    EXPECT_EQ(inner.bottom, 257);
    EXPECT_EQ(inner.colour, QColor(0, 0, 255));
    EXPECT_EQ(inner.paletteIndex, -1);
}

TEST(RampPalette, A256EntryPaletteWith20ReservedShows118SquaresFromIndex118) {
    const RampDevice device{256, 20};
    const RampPicture ramp = RampSquares(device, kRampBlue);
    EXPECT_EQ(ramp.extent, 236);
    ASSERT_EQ(ramp.squares.size(), 118u);
    EXPECT_EQ(ramp.squares.front().paletteIndex, 118);
    EXPECT_EQ(ramp.squares.front().right, 236);
    EXPECT_EQ(ramp.squares.back().paletteIndex, 235);
    EXPECT_EQ(ramp.squares.back().left, 117);
    EXPECT_EQ(ramp.squares.back().right, 119);
    EXPECT_EQ(ramp.squares.back().colour, QColor(0, 0, 235));
}

TEST(RampPalette, EntriesRampInTheChosenColour) {
    const RampDevice device{256, 20};
    const std::vector<QColor> blue = CreateRampPalette(device, 3);
    ASSERT_EQ(blue.size(), 236u);
    EXPECT_EQ(blue[0], QColor(0, 0, 0));
    EXPECT_EQ(blue[200], QColor(0, 0, 200));
    EXPECT_EQ(CreateRampPalette(device, 1)[50], QColor(50, 0, 0));
    EXPECT_EQ(CreateRampPalette(device, 2)[50], QColor(0, 50, 0));
    EXPECT_EQ(CreateRampPalette(device, 7)[50], QColor(50, 50, 50));
}

TEST(RampPalette, NoPaletteMeansNoPaletteSquares) {
    EXPECT_TRUE(CreateRampPalette(RampDevice{}, kRampBlue).empty());
    EXPECT_TRUE(CreateRampPalette(RampDevice{16, 20}, kRampBlue).empty());
    EXPECT_TRUE(RampSquares(RampDevice{16, 20}, kRampBlue).squares.empty());
}

class AboutBoxTest : public MessageRecording {
  protected:
    void SetUp() override {
        MessageRecording::SetUp();
        owner.setGeometry(0, 0, 800, 600);
        box.reset(CreateAboutBox(&owner));
    }
    QWidget owner;
    std::unique_ptr<TemplateDialog> box;
};

TEST_F(AboutBoxTest, ShowsItsTitleWithOkAsTheDefaultButton) {
    EXPECT_EQ(box->windowTitle(), "About the Calyra Visualizer");
    auto* ok = qobject_cast<QPushButton*>(DialogItem(box.get(), kOkId));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_EQ(box->focusWidget(), ok);
}

TEST_F(AboutBoxTest, EscapeAndOkBothEndItWithOne) {
    box->show();
    QTest::keyClick(box.get(), Qt::Key_Escape);
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), 1);

    box->setResult(0);
    box->show();
    qobject_cast<QAbstractButton*>(DialogItem(box.get(), kOkId))->click();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(box->result(), 1);
}

TEST_F(AboutBoxTest, PaintsSquaresFromBlackAtTheEdgeToBlueInside) {
    const QImage shown = box->grab().toImage();
    // A row between the labels: nothing but the ramp.
    const int y = DialogUnitsToPixels(QRect(0, 65, 1, 1), box->baseUnits()).y();
    const QColor edge = shown.pixelColor(0, y);
    const QColor inside = shown.pixelColor(shown.width() / 2, y);
    EXPECT_LE(edge.blue(), 2);
    EXPECT_EQ(inside.red(), 0);
    EXPECT_EQ(inside.green(), 0);
    // 35 % of the way down, the nearest edge is the top: 0.325 x 512 squares in.
    EXPECT_NEAR(inside.blue(), 512 * y / shown.height(), 3);
    int previous = -1;
    for (int x = 0; x < shown.width() / 4; ++x) {
        const int blue = shown.pixelColor(x, y).blue();
        EXPECT_GE(blue, previous) << "x " << x;
        previous = blue;
    }
}

TEST_F(AboutBoxTest, RunsModallyAndAnswersMinusOneWithoutOwner) {
    EXPECT_EQ(RunAboutBox(nullptr), -1);
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    EXPECT_EQ(RunAboutBox(&owner), 1);
}

class HelpTest : public MessageRecording {
  protected:
    void SetUp() override {
        MessageRecording::SetUp();
        ASSERT_TRUE(dir.isValid());
        // Found before the working folder changes: __FILE__ may be relative.
        source = QFileInfo(SourceHelpFile()).absoluteFilePath();
        previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        if (QTextBrowser* browser = HelpBrowser()) delete browser->window();
        MessageRecording::TearDown();
    }
    TempDir dir;
    QString previous;
    QString source;
    QWidget owner;
};

TEST_F(HelpTest, OpensAtContentsAndMovesToOtherTopics) {
    ASSERT_TRUE(QFile::copy(source, dir.filePath("Calyra.HLP")));
    OpenHelp(&owner, "CONTENTS");
    EXPECT_TRUE(messages.empty());
    QTextBrowser* browser = HelpBrowser();
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_TRUE(browser->toPlainText().startsWith("Calyra Visualizer Help"));
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);

    OpenHelp(&owner, "MESSAGES");
    EXPECT_GT(browser->verticalScrollBar()->value(), 0);
    OpenHelp(&owner, "CONTENTS");
    EXPECT_EQ(browser->verticalScrollBar()->value(), 0);
    EXPECT_EQ(HelpBrowser(), browser);  // one viewer
}

TEST_F(HelpTest, AMissingHelpFileIsReportedByName) {
    if (!FindHelpFile("Calyra.HLP").isEmpty()) GTEST_SKIP() << "a help file lies beside the tests";
    OpenHelp(&owner, "CONTENTS");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Could not open the help file Calyra.HLP");
    EXPECT_EQ(messages[0].owner, &owner);
    EXPECT_EQ(messages[0].icon, Icon::Warning);
    EXPECT_EQ(HelpBrowser(), nullptr);
}

TEST(HelpFile, StartsWithContentsAndEveryLinkReachesATopic) {
    const QString html = ReadSourceHelp();
    ASSERT_FALSE(html.isEmpty());
    const QStringList keywords = HelpKeywords(html);
    ASSERT_FALSE(keywords.isEmpty());
    EXPECT_EQ(keywords.front(), "CONTENTS");
    QStringList unique = keywords;
    unique.removeDuplicates();
    EXPECT_EQ(unique.size(), keywords.size());
    static const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    for (const QRegularExpressionMatch& m : link.globalMatch(html)) {
        EXPECT_TRUE(keywords.contains(m.captured(1))) << m.captured(1).toStdString();
    }
}

TEST(HelpFile, DescribesEveryMenuCommandAndPanelControl) {
    QTextDocument document;
    document.setHtml(ReadSourceHelp());
    const QString text = Readable(document.toPlainText());
    for (const resources::MenuEntry& entry : resources::MenuTable()) {
        if (entry.kind != resources::MenuKind::Item && entry.kind != resources::MenuKind::Popup) {
            continue;
        }
        const QString label = Readable(QString::fromLatin1(entry.text));
        EXPECT_TRUE(text.contains(label)) << label.toStdString();
    }
    for (const char* name : {"View2", "Map2", "ThrAdj", "FileLoad"}) {
        for (const resources::ControlTemplate& c : resources::FindDialogTemplate(name)->controls) {
            const QString label = Readable(QString::fromLatin1(c.text));
            if (c.kind == resources::ControlKind::Icon || label.isEmpty() || label.contains('%')) {
                continue;
            }
            EXPECT_TRUE(text.contains(label)) << name << ": " << label.toStdString();
        }
    }
}

}  // namespace
}  // namespace calyra::ui::testing
