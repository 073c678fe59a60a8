#include "base/file_writer.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/file_contents.h"
#include "tests/full_disk.h"
#include "tests/temp_folder.h"

namespace calyra {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    return test::FileBytes(path);
}

void WriteText(const fs::path& path, const std::string& text) {
    test::WriteFileBytes(path, text);
}

// The folder holds exactly these names: no temporary left behind.
void ExpectOnly(const fs::path& folder, std::initializer_list<std::string> names) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        ++count;
        EXPECT_NE(std::find(names.begin(), names.end(), entry.path().filename().string()),
                  names.end())
            << "left behind: " << entry.path();
    }
    EXPECT_EQ(count, names.size());
}

TEST(FileWriter, ReplacesTheTargetWholeAndKeepsItsPermissionBits) {
    test::TempFolder dir("calyra_writer");
    const fs::path target = dir / "picture.bin";
    WriteText(target, "old contents");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);

    EXPECT_EQ(WriteFileAtomically(target.string(), "new"), "");
    EXPECT_EQ(ReadAll(target), "new");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ExpectOnly(dir.path(), {"picture.bin"});
}

TEST(FileWriter, ANewFileGetsTheUmasksBits) {
    test::TempFolder dir("calyra_writer");
    const mode_t old = ::umask(022);
    EXPECT_EQ(WriteFileAtomically(dir.File("new.txt"), "x"), "");
    ::umask(old);
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("new.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// Each failure names the file, leaves the old file byte for byte and no temporary.
TEST(FileWriter, FailuresNameTheFileAndLeaveNothingBehind) {
    test::TempFolder dir("calyra_writer");
    WriteText(dir / "plain", "I am a file");

    const std::string missing = dir.File("no/such/folder/out.png");
    std::string error = WriteFileAtomically(missing, "data");
    EXPECT_NE(error.find("Cannot write " + missing + ": "), std::string::npos) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;

    const std::string underFile = dir.File("plain/out.png");
    error = WriteFileAtomically(underFile, "data");
    EXPECT_NE(error.find("Cannot write " + underFile + ": "), std::string::npos) << error;
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;

    error = WriteFileAtomically(dir.path().string(), "data");
    EXPECT_NE(error.find("it is a folder"), std::string::npos) << error;

    EXPECT_EQ(ReadAll(dir / "plain"), "I am a file");
    ExpectOnly(dir.path(), {"plain"});
}

class FullDisk : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!dir_.Mounted()) GTEST_SKIP() << "no tmpfs can be mounted here (it needs root)";
    }
    test::FullDisk dir_;
};

TEST_F(FullDisk, AWriteThatDoesNotFitKeepsTheOldFile) {
    const fs::path target = dir_ / "view.txt";
    const std::string old(20000, 'o');
    WriteText(target, old);

    const std::string big(200000, 'n');
    const std::string error = WriteFileAtomically(target.string(), big);
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(target), old);
    ExpectOnly(dir_.path(), {"view.txt"});

    // The streaming writer fails the same way, whichever call sees the disk full.
    {
        AtomicFile file(target.string());
        ASSERT_TRUE(file.ok());
        for (int k = 0; k < 100 && file.ok(); ++k) file.Write(std::string(4000, 'k'));
        EXPECT_FALSE(file.ok() && file.Commit());
    }
    EXPECT_EQ(ReadAll(target), old);
    ExpectOnly(dir_.path(), {"view.txt"});
}

TEST_F(FullDisk, AWriteThatFitsReplacesTheFile) {
    const fs::path target = dir_ / "small.txt";
    WriteText(target, "old");
    EXPECT_EQ(WriteFileAtomically(target.string(), "new"), "");
    EXPECT_EQ(ReadAll(target), "new");
}

TEST(FileWriter, AWriterThatIsNotCommittedLeavesTheTargetAlone) {
    test::TempFolder dir("calyra_writer");
    WriteText(dir / "keep", "kept");
    {
        AtomicFile file(dir.File("keep"));
        ASSERT_TRUE(file.ok());
        EXPECT_TRUE(fs::exists(file.TemporaryPath()));
        file.Write("half a fi");
    }
    EXPECT_EQ(ReadAll(dir / "keep"), "kept");
    ExpectOnly(dir.path(), {"keep"});
}

bool IsCharacterDevice(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// A rename over a device would put a plain file where the device was (for
// root, /dev/null itself). The test's own nodes of the null and full devices
// stand in for the system's.
TEST(FileWriter, ADeviceIsWrittenInPlaceAndStaysADevice) {
    test::TempFolder dir("calyra_writer");
    const fs::path null = dir / "null";
    const fs::path full = dir / "full";
    if (::mknod(null.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0 ||
        ::mknod(full.c_str(), S_IFCHR | 0666, ::makedev(1, 7)) != 0) {
        GTEST_SKIP() << "no device nodes can be made here (it needs root)";
    }
    EXPECT_EQ(WriteFileAtomically(null.string(), "bytes for nobody"), "");
    EXPECT_TRUE(IsCharacterDevice(null));

    // A device that fails every write fails the writer, as a full disk does.
    const std::string error = WriteFileAtomically(full.string(), std::string(10000, 'x'));
    EXPECT_EQ(error, "Cannot write " + full.string() + ": No space left on device");
    EXPECT_TRUE(IsCharacterDevice(full));
    EXPECT_EQ(test::FolderNames(dir.path()), (std::vector<std::string>{"full", "null"}));
}

TEST(FileWriter, APipeGetsTheBytesAndStaysAPipe) {
    test::TempFolder dir("calyra_writer");
    const fs::path fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadAll(fifo); });
    const std::string sent(100000, 'p');
    EXPECT_EQ(WriteFileAtomically(fifo.string(), sent), "");
    reader.join();
    EXPECT_EQ(received, sent);
    struct stat st {};
    ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(test::FolderNames(dir.path()), std::vector<std::string>{"pipe"});
}

TEST(FileWriter, ALinkStaysAndTheFileItNamesIsReplaced) {
    test::TempFolder dir("calyra_writer");
    ASSERT_TRUE(fs::create_directory(dir / "elsewhere"));
    WriteText(dir / "elsewhere" / "real.view", "old");
    fs::create_symlink("elsewhere/real.view", dir / "link.view");

    EXPECT_EQ(WriteFileAtomically(dir.File("link.view"), "new"), "");
    EXPECT_TRUE(fs::is_symlink(dir / "link.view"));
    EXPECT_EQ(ReadAll(dir / "elsewhere" / "real.view"), "new");
    EXPECT_EQ(test::FolderNames(dir.path()), (std::vector<std::string>{"elsewhere", "link.view"}));
    EXPECT_EQ(test::FolderNames(dir / "elsewhere"), std::vector<std::string>{"real.view"});
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (::readdir(fds)) ++count;
        ::closedir(fds);
    }
    return count;
}

// A series of files that appears whole or not at all: each is sealed (its
// bytes on disk, no descriptor held), and only when all are is each renamed.
TEST(FileWriter, SealedFilesAppearOnlyWhenCommittedAndHoldNoDescriptor) {
    test::TempFolder dir("calyra_writer");
    WriteText(dir / "frame_1.png", "old frame");
    const std::vector<std::string> before = test::FolderNames(dir.path());
    const int descriptors = OpenDescriptors();
    {
        std::vector<std::unique_ptr<AtomicFile>> frames;
        for (int k = 0; k < 3; ++k) {
            frames.push_back(
                std::make_unique<AtomicFile>(dir.File("frame_" + std::to_string(k) + ".png")));
            ASSERT_TRUE(frames.back()->Write("frame " + std::to_string(k)));
            ASSERT_TRUE(frames.back()->Seal());
        }
        EXPECT_EQ(OpenDescriptors(), descriptors);
        EXPECT_EQ(ReadAll(dir / "frame_1.png"), "old frame");
        // Given up before the commit: the old frame stays, no temporary does.
    }
    EXPECT_EQ(test::FolderNames(dir.path()), before);
    EXPECT_EQ(ReadAll(dir / "frame_1.png"), "old frame");

    {
        std::vector<std::unique_ptr<AtomicFile>> frames;
        for (int k = 0; k < 3; ++k) {
            frames.push_back(
                std::make_unique<AtomicFile>(dir.File("frame_" + std::to_string(k) + ".png")));
            frames.back()->Write("frame " + std::to_string(k));
            ASSERT_TRUE(frames.back()->Seal());
        }
        for (const auto& frame : frames) EXPECT_TRUE(frame->Commit());
    }
    EXPECT_EQ(test::FolderNames(dir.path()),
              (std::vector<std::string>{"frame_0.png", "frame_1.png", "frame_2.png"}));
    EXPECT_EQ(ReadAll(dir / "frame_1.png"), "frame 1");
}

TEST_F(FullDisk, ASealThatFindsNoSpaceFailsAndTheCommitAfterItToo) {
    const fs::path target = dir_ / "frame.png";
    WriteText(target, "old frame");
    dir_.FillUp();
    AtomicFile file(target.string());
    ASSERT_TRUE(file.ok());
    file.Write(std::string(20000, 'n'));
    EXPECT_FALSE(file.Seal());
    EXPECT_EQ(file.Error(), "Cannot write " + target.string() + ": No space left on device");
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(ReadAll(target), "old frame");
    EXPECT_EQ(test::FolderNames(dir_.path()), (std::vector<std::string>{"filler", "frame.png"}));
}

// Sealed files wait closed beside their targets: the targets change only on
// Commit, and a sealed file given up leaves nothing.
TEST(FileWriter, SealedFilesReplaceTheirTargetsOnlyWhenCommitted) {
    test::TempFolder dir("calyra_writer");
    WriteText(dir / "a", "old a");
    ASSERT_EQ(::chmod((dir / "a").c_str(), 0600), 0);
    {
        AtomicFile a(dir.File("a"));
        AtomicFile b(dir.File("b"));
        ASSERT_TRUE(a.ok() && b.ok());
        EXPECT_TRUE(a.Write("new a") && a.Seal());
        EXPECT_TRUE(b.Write("new b") && b.Seal());
        EXPECT_EQ(a.Stream(), nullptr);
        EXPECT_EQ(ReadAll(a.TemporaryPath()), "new a");
        EXPECT_EQ(ReadAll(dir / "a"), "old a");
        EXPECT_FALSE(fs::exists(dir / "b"));
        EXPECT_TRUE(a.Commit());
        EXPECT_EQ(ReadAll(dir / "a"), "new a");
        // b is given up when it goes.
    }
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("a").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ExpectOnly(dir.path(), {"a"});
}

}  // namespace
}  // namespace calyra
