// "&Load File...": the chooser, the "Volume File Import" dialog and the
// reading of its fields.
#include "ui/import_dialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "tests/gui/frame_fixture.h"
#include "tests/gui/temp_dir.h"
#include "ui/dialog_builder.h"
#include "ui/file_chooser.h"
#include "ui/import_dialog_box.h"
#include "ui/import_fields.h"
#include "volume/raw_reader.h"
#include "volume/volume_store.h"

namespace calyra::ui::testing {
namespace {

const char* const kRefusal =
    "Sorry, please look over the parameters again\n \t\t\t\t\t\t\t\t\t\t something is out of "
    "range!";

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

void ClickItem(QWidget* dialog, int id) {
    auto* button = qobject_cast<QAbstractButton*>(DialogItem(dialog, id));
    ASSERT_NE(button, nullptr) << "control " << id;
    button->click();
}

// Runs action on the next modal file dialog, then accepts it; anything else,
// or a dialog the action's choice leaves open, is rejected so that no test waits.
void OnNextFileDialog(std::function<void(QFileDialog*)> action) {
    OnNextModal([action](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        if (!d) {
            QMetaObject::invokeMethod(modal, "reject");
            return;
        }
        action(d);
        QMetaObject::invokeMethod(d, "accept");
        if (d->isVisible()) d->reject();
    });
}

class ImportDialogTest : public MessageRecording {
  protected:
    void SetUp() override {
        MessageRecording::SetUp();
        InstallCoreHooks();
        ASSERT_TRUE(dir.isValid());
        owner = std::make_unique<QWidget>();
        owner->setGeometry(100, 100, 600, 500);
        dataPath = dir.filePath("cube");
        WriteFile(dataPath, QByteArray(64, '\x07'));  // 4 x 4 x 4, one byte each
        ProgramSession().volumePath = dataPath.toStdString();
    }
    void TearDown() override {
        SetVolumeFileChooser(nullptr);
        ProgramSession().volumePath.clear();
        MessageRecording::TearDown();
    }

    std::unique_ptr<TemplateDialog> OpenDialog() {
        return std::unique_ptr<TemplateDialog>(CreateImportDialog(owner.get()));
    }

    TempDir dir;
    QString dataPath;
    std::unique_ptr<QWidget> owner;
};

TEST_F(ImportDialogTest, WithoutASideFileShowsTheStartValuesAfterTheMessage) {
    const auto dialog = OpenDialog();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Could not read file " + dataPath + ".inf\n");
    EXPECT_EQ(dialog->windowTitle(), "Volume File Import");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimX), "4");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimY), "4");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimZ), "4");
    for (int id : {kCtlImportAspectX, kCtlImportAspectY, kCtlImportAspectZ}) {
        EXPECT_EQ(DialogItemText(dialog.get(), id), "1");
    }
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportBytes), "1");
    EXPECT_TRUE(IsDialogButtonChecked(dialog.get(), kCtlImportBinary));
    EXPECT_FALSE(IsDialogButtonChecked(dialog.get(), kCtlImportAscii));
    EXPECT_FALSE(IsDialogButtonChecked(dialog.get(), kCtlImportReverse));
    for (int id : {kCtlImportLongInteger, kCtlImportInteger, kCtlImportFloat})
        EXPECT_FALSE(IsDialogButtonChecked(dialog.get(), id));
}

TEST_F(ImportDialogTest, TakesShapeTypeAndByteOrderFromTheSideFile) {
    WriteFile(dataPath + ".inf", "X= 100\nY= 120\nZ= 30\nascii\n2\n1\n");
    const auto dialog = OpenDialog();
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimX), "100");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimY), "120");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportDimZ), "30");
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportAspectX), "1");
    EXPECT_TRUE(IsDialogButtonChecked(dialog.get(), kCtlImportAscii));
    EXPECT_FALSE(IsDialogButtonChecked(dialog.get(), kCtlImportBinary));
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportBytes), "2");
    EXPECT_TRUE(IsDialogButtonChecked(dialog.get(), kCtlImportReverse));
}

TEST_F(ImportDialogTest, OkLoadsTheVolumeTheFieldsDescribe) {
    // Binary data arrives in whole 128 KiB blocks: 64 x 64 x 32 bytes fill one.
    WriteFile(dataPath, QByteArray(64 * 64 * 32, '\x07'));
    WriteFile(dataPath + ".inf", "X= 64\nY= 64\nZ= 32\nbinary\n1\n0\n");
    const auto dialog = OpenDialog();
    ClickItem(dialog.get(), kOkId);
    EXPECT_EQ(dialog->result(), kOkId);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Store(ProgramSession()).dims.x, 64);
    EXPECT_EQ(Store(ProgramSession()).dims.z, 32);
    EXPECT_EQ(Store(ProgramSession()).maxValue, 7u);
    EXPECT_EQ(Store(ProgramSession()).voxels[1][1][1], 7);
}

TEST_F(ImportDialogTest, EnterPressesOkTheDefaultButton) {
    WriteFile(dataPath, QByteArray(64 * 64 * 32, '\x07'));
    WriteFile(dataPath + ".inf", "X= 64\nY= 64\nZ= 32\nbinary\n1\n0\n");
    const auto dialog = OpenDialog();
    auto* ok = qobject_cast<QPushButton*>(DialogItem(dialog.get(), kOkId));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), kOkId);
    EXPECT_EQ(Store(ProgramSession()).dims.z, 32);
}

TEST_F(ImportDialogTest, ThreeHundredCubedIsAcceptedAndThreeHundredAndOneRefused) {
    ProgramSession().volumePath =
        dir.filePath("absent").toStdString();  // accepted, then unreadable
    ImportFieldTexts texts{"300", "300", "300", "1", "1", "1", "1"};
    EXPECT_FALSE(ImportFromFields(texts, nullptr));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Could not read file " + dir.filePath("absent") + "\n");

    messages.clear();
    const auto dialog = OpenDialog();
    messages.clear();
    const std::uint64_t generation = Store(ProgramSession()).generation;
    SetDialogItemText(dialog.get(), kCtlImportDimX, "301");
    SetDialogItemText(dialog.get(), kCtlImportDimY, "300");
    SetDialogItemText(dialog.get(), kCtlImportDimZ, "300");
    ClickItem(dialog.get(), kOkId);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString(kRefusal) +
                                    "\nvoxels times aspect ratio 301 x 300 x 300 x 1 x 1 x 1 = "
                                    "27090000: the limit is 27000000");
    EXPECT_EQ(messages[0].owner, dialog.get());
    EXPECT_TRUE(messages[0].caption.isEmpty());
    EXPECT_EQ(messages[0].icon, Icon::Warning);
    EXPECT_NE(dialog->result(), kOkId);
    EXPECT_EQ(Store(ProgramSession()).generation, generation);  // the previous volume stays
    AllocateVolume(Store(ProgramSession()), 1, 1, 1);
}

TEST_F(ImportDialogTest, AnAspectOfTwoAndAHalfCountsInFullForTheSizeLimit) {
    ProgramSession().volumePath = dir.filePath("absent").toStdString();
    // 300 x 300 x 121 x 2 would pass; x 2.5 does not.
    EXPECT_FALSE(ImportFromFields({"300", "300", "121", "2.5", "1", "1", "1"}, nullptr));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QString(kRefusal) + "\nvoxels times aspect ratio "
                                                                "300 x 300 x 121 x 2.5 x 1 x 1 = "))
        << messages[0].text.toStdString();
    EXPECT_EQ(messages[0].owner, nullptr);
}

TEST_F(ImportDialogTest, AnEmptyBytesPerVoxelReadsAsZeroAndIsRefusedForBinaryData) {
    const ImportFields f = ReadImportFields({"4", "4", "4", "1", "1", "1", ""});
    EXPECT_EQ(f.options.bytesPerVoxel, 0);
    EXPECT_FALSE(ImportFromFields({"4", "4", "4", "1", "1", "1", ""}, nullptr));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              QString(kRefusal) + "\nbytes per voxel 0: binary files take 1 or 2");
}

TEST_F(ImportDialogTest, HeaderBytesComeFromTheSeventhSideFileLineAndAreSkipped) {
    QByteArray bytes(10, '\x63');
    bytes += QByteArray(64, '\x07');
    WriteFile(dataPath, bytes);
    WriteFile(dataPath + ".inf", "X= 4\nY= 4\nZ= 4\nbinary\n1\n0\n10\n");
    const auto dialog = OpenDialog();
    EXPECT_EQ(DialogItemText(dialog.get(), kCtlImportHeaderBytes), "10");
    ClickItem(dialog.get(), kOkId);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Store(ProgramSession()).maxValue, 7u);
    EXPECT_EQ(Store(ProgramSession()).voxels[1][1][1], 7);

    // A negative count is refused with its reason.
    EXPECT_FALSE(ImportFromFields({"4", "4", "4", "1", "1", "1", "1", "-3"}, nullptr));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString(kRefusal) + "\nheader bytes -3: must be 0 or more");
}

TEST_F(ImportDialogTest, CancelEndsTheDialogWithoutAnyChange) {
    const auto dialog = OpenDialog();
    messages.clear();
    const std::uint64_t generation = Store(ProgramSession()).generation;
    ClickItem(dialog.get(), kCancelId);
    EXPECT_EQ(dialog->result(), kCancelId);
    EXPECT_EQ(Store(ProgramSession()).generation, generation);
    EXPECT_TRUE(messages.empty());
    // The inert controls start nothing either.
    for (int id : {kCtlImportPreviewSlice, kCtlImportHelp}) {
        ClickItem(dialog.get(), id);
    }
    EXPECT_EQ(Store(ProgramSession()).generation, generation);
    EXPECT_TRUE(messages.empty());
}

TEST_F(ImportDialogTest, CentresOverTheOwner) {
    const auto dialog = OpenDialog();
    const QPoint ownerCentre = owner->frameGeometry().center();
    const QPoint dialogCentre = dialog->frameGeometry().center();
    EXPECT_LE(std::abs(ownerCentre.x() - dialogCentre.x()), 1);
    EXPECT_LE(std::abs(ownerCentre.y() - dialogCentre.y()), 1);
}

TEST_F(ImportDialogTest, AnOwnerFarOffTheLeftEdgePutsTheDialogAtXZero) {
    owner->move(-2000, 100);
    const auto dialog = OpenDialog();
    EXPECT_EQ(dialog->x(), 0);
}

TEST(CenterDialog, TruncatesTowardZeroAndKeepsTheDialogOnTheScreen) {
    const QSize screen(1280, 1024);
    EXPECT_EQ(CenteredDialogPosition(QSize(200, 100), QRect(100, 100, 400, 300), screen),
              QPoint(200, 200));
    // (100 - 103) / 2 truncates to -1, not -2.
    EXPECT_EQ(CenteredDialogPosition(QSize(103, 103), QRect(10, 10, 100, 100), screen),
              QPoint(9, 9));
    EXPECT_EQ(CenteredDialogPosition(QSize(200, 100), QRect(-900, -900, 400, 300), screen),
              QPoint(0, 0));
    EXPECT_EQ(CenteredDialogPosition(QSize(200, 100), QRect(1200, 1000, 400, 300), screen),
              QPoint(1080, 924));
}

TEST_F(ImportDialogTest, NoFileChosenShowsOpenFileProcedureFailed) {
    SetVolumeFileChooser([](QWidget*) { return 0; });
    const std::uint64_t generation = Store(ProgramSession()).generation;
    ImportVolumeFile(owner.get());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Open File Procedure FAILED!");
    EXPECT_EQ(messages[0].owner, owner.get());
    EXPECT_TRUE(messages[0].caption.isEmpty());
    EXPECT_EQ(messages[0].icon, Icon::Warning);
    EXPECT_EQ(Store(ProgramSession()).generation, generation);
}

TEST_F(ImportDialogTest, AChosenFileRunsTheDialogModallyAndOkImportsIt) {
    WriteFile(dataPath + ".inf", "X= 4\nY= 4\nZ= 2\nbinary\n1\n0\n");
    ProgramSession().volumePath.clear();
    static std::string chosen;
    chosen = dataPath.toStdString();
    SetVolumeFileChooser([](QWidget*) {
        ProgramSession().volumePath = chosen;
        return 1;
    });
    QString title;
    OnNextModal([&title](QWidget* modal) {
        title = modal->windowTitle();
        ClickItem(modal, kOkId);
        if (modal->isVisible()) QMetaObject::invokeMethod(modal, "reject");
    });
    ImportVolumeFile(owner.get());
    EXPECT_EQ(title, "Volume File Import");
    // 64 bytes for a 4 x 4 x 2 shape: loaded, with a note of the 32 bytes left over.
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains("The last 32 bytes were not read."))
        << messages[0].text.toStdString();
    EXPECT_EQ(Store(ProgramSession()).dims.z, 2);
}

TEST_F(ImportDialogTest, TheChooserShowsNamesWithoutADotUnderDataFiles) {
    WriteFile(dir.filePath("plain"), "x");
    WriteFile(dir.filePath("notes.txt"), "x");
    WriteFile(dataPath + ".inf", "x");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QStringList dataNames, allNames, typeLabels, allPatterns;
    // The file system model fills in the background: wait for count names.
    const auto listed = [](QFileDialog* d, int count) {
        auto* view = d->findChild<QListView*>("listView");
        QStringList names;
        for (int i = 0; i < 200 && names.size() < count; ++i) {
            QTest::qWait(10);
            names.clear();
            for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
                names << view->model()->index(r, 0, view->rootIndex()).data().toString();
            }
        }
        names.sort();
        return names;
    };
    OnNextFileDialog([&](QFileDialog* d) {
        d->setDirectory(dir.path());
        dataNames = listed(d, 2);
        auto* types = d->findChild<QComboBox*>("fileTypeCombo");
        typeLabels = {types->itemText(0), types->itemText(1)};
        QTest::keyClick(types, Qt::Key_Down);
        allNames = listed(d, 4);
        // "*.*" on the system it was written for matches every name.
        allPatterns = d->findChild<QFileSystemModel*>()->nameFilters();
        QTest::keyClicks(d->findChild<QLineEdit*>("fileNameEdit"), "plain");
    });
    EXPECT_EQ(ChooseVolumeFile(owner.get()), 1);
    QDir::setCurrent(previous);
    EXPECT_EQ(QString::fromStdString(ProgramSession().volumePath),
              QFileInfo(dir.filePath("plain")).absoluteFilePath());
    EXPECT_TRUE(dataNames.contains("cube"));
    EXPECT_TRUE(dataNames.contains("plain"));
    EXPECT_FALSE(dataNames.contains("notes.txt"));
    EXPECT_FALSE(dataNames.contains("cube.inf"));
    EXPECT_TRUE(allNames.contains("notes.txt"));
    EXPECT_TRUE(allNames.contains("plain"));
    EXPECT_TRUE(allNames.contains("cube.inf"));
    EXPECT_EQ(typeLabels, QStringList({"Data Files (*.)", "All Files (*.*)"}));
    EXPECT_EQ(allPatterns, QStringList({"*"}));
    EXPECT_TRUE(messages.empty());
}

// The plain save and open dialogs of the picture and view commands.
TEST_F(ImportDialogTest, TheSaveDialogsOfferTheirNameHereAndAddTheirSuffix) {
    struct Case {
        FileUse use;
        const char* caption;
        const char* offered;
        const char* chosen;  // for the name "scene"
    };
    // A picture's extension names its format, so none is added to it.
    for (const Case& c : {Case{FileUse::SaveView, "Save View", "calyra.view", "scene.view"},
                          Case{FileUse::SavePicture, "Save Image", "calyra.png", "scene"}}) {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QString caption, offered;
        QFileDialog::AcceptMode mode = QFileDialog::AcceptOpen;
        OnNextFileDialog([&](QFileDialog* d) {
            caption = d->windowTitle();
            mode = d->acceptMode();
            auto* name = d->findChild<QLineEdit*>("fileNameEdit");
            offered = name->text();
            name->setText("scene");
        });
        const QString chosen = ChooseFileFor(owner.get(), c.use);
        QDir::setCurrent(previous);
        EXPECT_EQ(caption, c.caption);
        EXPECT_EQ(caption, FileUseCaption(c.use));
        EXPECT_EQ(mode, QFileDialog::AcceptSave);
        EXPECT_EQ(offered, c.offered);
        EXPECT_EQ(QFileInfo(chosen).absoluteFilePath(),
                  QFileInfo(dir.filePath(c.chosen)).absoluteFilePath());
    }
}

TEST_F(ImportDialogTest, TheOpenDialogTakesOnlyAnExistingFileAndACancelChoosesNothing) {
    WriteFile(dir.filePath("saved.view"), "x");
    QFileDialog::FileMode fileMode = QFileDialog::AnyFile;
    QStringList filters;
    OnNextFileDialog([&](QFileDialog* d) {
        fileMode = d->fileMode();
        filters = d->nameFilters();
        d->setDirectory(dir.path());
        d->findChild<QLineEdit*>("fileNameEdit")->setText("saved.view");
    });
    EXPECT_EQ(ChooseFileFor(owner.get(), FileUse::OpenView), dir.filePath("saved.view"));
    EXPECT_EQ(fileMode, QFileDialog::ExistingFile);
    EXPECT_EQ(filters, QStringList({"Views and pictures (*.view *.png *.jpg *.jpeg *.tif *.tiff)",
                                    "All Files (*)"}));

    OnNextModal([](QWidget* modal) { QMetaObject::invokeMethod(modal, "reject"); });
    EXPECT_EQ(ChooseFileFor(owner.get(), FileUse::OpenView), QString());
}

TEST(ChooserFilter, DataFilesAreTheNamesWithoutADot) {
    EXPECT_TRUE(MatchesDataFilesFilter("sm3dhead"));
    EXPECT_FALSE(MatchesDataFilesFilter("head.raw"));
    EXPECT_FALSE(MatchesDataFilesFilter("head."));
    EXPECT_FALSE(MatchesDataFilesFilter(""));
}

struct ChooserErrorCase {
    std::uint32_t code;
    int stringId;
};

class ChooserError : public MessageRecording,
                     public ::testing::WithParamInterface<ChooserErrorCase> {};

TEST_P(ChooserError, ShowsTheTextOfItsStringIdWithTheDefaultCaption) {
    const ChooserErrorCase& c = GetParam();
    EXPECT_EQ(ChooserErrorStringId(c.code), c.stringId);
    QWidget owner;
    ReportChooserError(c.code, &owner);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, ChooserErrorText(c.stringId));
    EXPECT_FALSE(messages[0].text.isEmpty());
    EXPECT_EQ(messages[0].owner, &owner);
    EXPECT_TRUE(messages[0].caption.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ChooserError,
    ::testing::Values(ChooserErrorCase{0xFFFF, 1}, ChooserErrorCase{0x0001, 2},
                      ChooserErrorCase{0x0009, 10}, ChooserErrorCase{0x000B, 12},
                      ChooserErrorCase{0x1001, 13}, ChooserErrorCase{0x100B, 23},
                      ChooserErrorCase{0x2001, 24}, ChooserErrorCase{0x3002, 26},
                      ChooserErrorCase{0x3003, 27}, ChooserErrorCase{0x4242, 29},
                      ChooserErrorCase{0x000C, 29}));

TEST_F(ImportDialogTest, ACancelledChooserReportsNoError) {
    ReportChooserError(0, owner.get());
    EXPECT_TRUE(messages.empty());
    QStringList texts;
    for (int id = 1; id <= 29; ++id) texts << ChooserErrorText(id);
    texts.removeDuplicates();
    EXPECT_EQ(texts.size(), 29);  // one text per id
}

struct IntegerCase {
    const char* text;
    std::int32_t value;
};

class SignedField : public ::testing::TestWithParam<IntegerCase> {};
TEST_P(SignedField, ReadsWholeNumbersOrZero) {
    EXPECT_EQ(ReadSignedField(GetParam().text), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Fields, SignedField,
    ::testing::Values(IntegerCase{"300", 300}, IntegerCase{" -7 ", -7}, IntegerCase{"+12", 12},
                      IntegerCase{"", 0}, IntegerCase{"abc", 0}, IntegerCase{"12abc", 0},
                      IntegerCase{"2.5", 0}, IntegerCase{"-", 0},
                      IntegerCase{"2147483647", 2147483647}, IntegerCase{"2147483648", 0},
                      IntegerCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                      IntegerCase{"99999999999999999999999", 0}));

class UnsignedField : public ::testing::TestWithParam<IntegerCase> {};
TEST_P(UnsignedField, ReadsUnsignedNumbersOrZero) {
    EXPECT_EQ(ReadUnsignedField(GetParam().text), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(Fields, UnsignedField,
                         ::testing::Values(IntegerCase{"2", 2}, IntegerCase{"", 0},
                                           IntegerCase{"-1", 0}, IntegerCase{"x", 0},
                                           IntegerCase{"4294967295", -1},
                                           IntegerCase{"4294967296", 0}));

struct AspectCase {
    const char* text;
    float value;
};

class AspectField : public ::testing::TestWithParam<AspectCase> {};
TEST_P(AspectField, TakesTheLeadingNumberOfNineteenCharacters) {
    EXPECT_EQ(ReadAspectField(GetParam().text), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Fields, AspectField,
    ::testing::Values(AspectCase{"2.5", 2.5f}, AspectCase{"1", 1.0f}, AspectCase{" 0.5x", 0.5f},
                      AspectCase{"3:4", 3.0f}, AspectCase{"1e3", 1000.0f}, AspectCase{"", 0.0f},
                      AspectCase{"abc", 0.0f}, AspectCase{"-2", -2.0f},
                      // Only the first 19 characters count.
                      AspectCase{"0000000000000000001234", 1.0f},
                      AspectCase{"1e300", std::numeric_limits<float>::infinity()},
                      AspectCase{"-1e300", -std::numeric_limits<float>::infinity()}));

TEST(AspectField, ReadsNotANumberAsNotANumber) {
    EXPECT_TRUE(std::isnan(ReadAspectField("nan")));
}

}  // namespace
}  // namespace calyra::ui::testing
