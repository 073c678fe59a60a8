// The window's files where they cannot be written: a full disk, a folder that
// is not there, a file where a folder should be. Each save is a message
// naming the file and the reason; an old file stays byte for byte and no
// temporary is left beside it.
#include <QString>
#include <string>
#include <vector>

#include "tests/file_contents.h"
#include "tests/full_disk.h"
#include "tests/gui/frame_fixture.h"
#include "tests/temp_folder.h"
#include "ui/commands.h"
#include "ui/file_chooser.h"

namespace calyra::ui::testing {
namespace {

struct SavedFile {
    int command;
    const char* caption;
    const char* name;
};
constexpr SavedFile kSavedFiles[] = {
    {kCmdSaveImage, "Save Image", "picture.png"},
    {kCmdSaveView, "Save View", "calyra.view"},
};

class SavingTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        SetFileUseChooser([this](QWidget*, FileUse) { return QString::fromStdString(chosen_); });
        DispatchCommand(frame, kCmdBallModel);
        messages.clear();
    }
    void TearDown() override {
        SetFileUseChooser({});
        FrameFixture::TearDown();
    }

    // Saves file to path; the one message it gave, or a failure.
    ::testing::AssertionResult SaveFails(const SavedFile& file, const std::string& path,
                                         const std::string& reason) {
        chosen_ = path;
        messages.clear();
        DispatchCommand(frame, file.command);
        if (messages.size() != 1) {
            return ::testing::AssertionFailure() << messages.size() << " messages, not 1";
        }
        const std::string text = messages[0].text.toStdString();
        if (text != "Cannot write " + path + ": " + reason) {
            return ::testing::AssertionFailure() << "the message: " << text;
        }
        if (messages[0].caption != QLatin1String(file.caption) ||
            messages[0].icon != Icon::Warning) {
            return ::testing::AssertionFailure()
                   << "the caption: " << messages[0].caption.toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    std::string chosen_;
};

TEST_F(SavingTest, AFullDiskKeepsTheOldFile) {
    for (const SavedFile& file : kSavedFiles) {
        SCOPED_TRACE(file.caption);
        const calyra::test::FullDisk disk;
        if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
        const std::string old(3000, 'o');
        calyra::test::WriteFileBytes(disk / file.name, old);
        disk.FillUp();
        EXPECT_TRUE(SaveFails(file, disk.File(file.name), "No space left on device"));
        EXPECT_EQ(calyra::test::FileBytes(disk / file.name), old);
        EXPECT_EQ(calyra::test::FolderNames(disk.path()),
                  calyra::test::SortedNames({"filler", file.name}));
    }
}

TEST_F(SavingTest, AMissingFolderOrAFileInPlaceOfOneIsAMessage) {
    const calyra::test::TempFolder dir("calyra_saving");
    calyra::test::WriteFileBytes(dir / "plain", "a file");
    for (const SavedFile& file : kSavedFiles) {
        SCOPED_TRACE(file.caption);
        EXPECT_TRUE(SaveFails(file, dir.File(std::string("missing/") + file.name),
                              "No such file or directory"));
        EXPECT_TRUE(
            SaveFails(file, dir.File(std::string("plain/") + file.name), "Not a directory"));
    }
    EXPECT_EQ(calyra::test::FileBytes(dir / "plain"), "a file");
    EXPECT_EQ(calyra::test::FolderNames(dir.path()), std::vector<std::string>{"plain"});
}

TEST_F(SavingTest, ASaveThatFitsReplacesTheOldFileWhole) {
    const calyra::test::TempFolder dir("calyra_saving");
    for (const SavedFile& file : kSavedFiles) {
        SCOPED_TRACE(file.caption);
        calyra::test::WriteFileBytes(dir / file.name, "old");
        chosen_ = dir.File(file.name);
        messages.clear();
        DispatchCommand(frame, file.command);
        EXPECT_TRUE(messages.empty());
        EXPECT_NE(calyra::test::FileBytes(dir / file.name), "old");
    }
    EXPECT_EQ(calyra::test::FolderNames(dir.path()),
              (std::vector<std::string>{"calyra.view", "picture.png"}));
}

}  // namespace
}  // namespace calyra::ui::testing
