// Standard volume files open from the command line, through Open Volume and
// by a drop on the frame; a file that fails leaves the volume and windows.
#include "ui/volume_opener.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <algorithm>

#include "resources/accelerator_table.h"
#include "resources/menu_table.h"
#include "tests/address_space_limit.h"
#include "tests/gui/frame_fixture.h"
#include "tests/sparse_volume.h"
#include "ui/commands.h"
#include "ui/render_window.h"

namespace calyra::ui::testing {
namespace {

// A 6 x 5 x 4 signed 16-bit NRRD whose values run 0..119 times 100.
void WriteNrrd(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("NRRD0004\ntype: short\ndimension: 3\nsizes: 6 5 4\nencoding: raw\nendian: little\n\n");
    for (int n = 0; n < 120; ++n) {
        const std::int16_t v = static_cast<std::int16_t>(n * 100);
        f.write(reinterpret_cast<const char*>(&v), 2);
    }
}

class VolumeOpenerTest : public FrameFixture {
  protected:
    void SetUp() override {
        FrameFixture::SetUp();
        ASSERT_TRUE(scan.dir.isValid());
        WriteNrrd(scan.path);
        messages.clear();
    }
    void ExpectScanShown() {
        ASSERT_NE(renderWindow, nullptr);
        EXPECT_EQ(Store(ProgramSession()).dims.x, 6);
        EXPECT_EQ(Store(ProgramSession()).dims.y, 5);
        EXPECT_EQ(Store(ProgramSession()).dims.z, 4);
        // 11900, the largest value, stores 255; voxel n = 60 (i 0, j 0, k 2) holds 6000:
        // trunc(6000 x 255 / 11900).
        EXPECT_EQ(Store(ProgramSession()).maxValue, 255u);
        EXPECT_EQ(Store(ProgramSession()).voxels[1][1][3], 128);
        EXPECT_EQ(frame->windowTitle(), QStringLiteral("Calyra Volume Renderer - scan.nrrd"));
        EXPECT_TRUE(messages.empty());
    }

    ChosenVolumeFile scan{"scan.nrrd"};
    const QString& path = scan.path;
};

TEST_F(VolumeOpenerTest, CommandLinePathOpensAtStartUp) {
    OpenCommandLinePath(frame, {QStringLiteral("calyra"), path});
    ExpectScanShown();
}

TEST_F(VolumeOpenerTest, OpenVolumeOpensTheChosenFile) {
    DispatchCommand(frame, kCmdBallModel);  // a model first: its windows are replaced
    EXPECT_EQ(DispatchCommand(frame, kCmdOpenVolume), 1);
    ExpectScanShown();
    EXPECT_EQ(ProgramSession().loadCount, 2);
}

TEST_F(VolumeOpenerTest, ADroppedFileOpens) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    // Straight to the frame's handler: the application's dispatch of drops
    // waits for a drag that a test cannot start.
    static_cast<QObject*>(frame)->event(&drop);
    ExpectScanShown();
}

TEST_F(VolumeOpenerTest, AFailedOpenLeavesTheVolumeAndWindowsAndSaysWhy) {
    OpenCommandLinePath(frame, {QStringLiteral("calyra"), path});
    QWidget* const shown = renderWindow;
    const QString broken = scan.dir.filePath("broken.nrrd");
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("NRRD0004\ntype: short\ndimension: 3\nsizes: 600 500 400\nencoding: raw\n\n12");
    f.close();
    messages.clear();
    EXPECT_FALSE(OpenVolumePath(frame, broken));
    EXPECT_EQ(renderWindow, shown);
    EXPECT_EQ(Store(ProgramSession()).dims.x, 6);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.contains(broken));
}

// Too little memory for a volume (an address-space limit, as `ulimit -v`
// sets): D1's message names the file, and the volume, its windows and its
// image stay as they were.
TEST_F(VolumeOpenerTest, AVolumeThatDoesNotFitInMemoryLeavesTheShownOne) {
    if (!calyra::test::AddressSpaceLimit::Possible())
        GTEST_SKIP() << "the sanitizers reserve memory";
    OpenCommandLinePath(frame, {QStringLiteral("calyra"), path});
    QWidget* const shown = renderWindow;
    ASSERT_NE(shown, nullptr);
    const std::shared_ptr<const VolumeStore> store = ProgramSession().VoxelVolume;
    const QImage image = Paint(shown);
    // 144 MB of samples, then two stores of 290 MB.
    const QString big = scan.dir.filePath("big.nrrd");
    ASSERT_TRUE(calyra::test::WriteSparseVolume(big.toStdString(), calyra::test::SparseFormat::Nrrd,
                                                600, 600, 400));
    messages.clear();
    bool opened = true;
    {
        const calyra::test::AddressSpaceLimit limit(std::uint64_t{64} << 20);
        ASSERT_TRUE(limit.Set());
        opened = OpenVolumePath(frame, big);
    }
    EXPECT_FALSE(opened);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QString::fromLatin1(kNotEnoughMemoryForVolume) + "\n" + big);
    EXPECT_EQ(messages[0].icon, Icon::Warning);
    EXPECT_EQ(renderWindow, shown);
    EXPECT_EQ(ProgramSession().VoxelVolume, store);
    EXPECT_EQ(Paint(shown), image);
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Calyra Volume Renderer - scan.nrrd"));
}

TEST(OpenVolumeCommand, SitsAfterLoadFileWithCtrlO) {
    const auto menu = resources::MenuTable();
    const auto load =
        std::find_if(menu.begin(), menu.end(), [](const auto& e) { return e.id == kCmdLoadFile; });
    ASSERT_NE(load, menu.end());
    EXPECT_EQ((load + 1)->id, kCmdOpenVolume);
    EXPECT_STREQ((load + 1)->text, "&Open Volume...");
    const auto accel = resources::AcceleratorTable();
    EXPECT_TRUE(std::any_of(accel.begin(), accel.end(), [](const auto& a) {
        return a.command == kCmdOpenVolume && a.key == 'O' &&
               a.modifiers == resources::kAccelControl;
    }));
    for (const char* pattern :
         {"*.nrrd", "*.nhdr", "*.mha", "*.mhd", "*.nii.gz", "*.hdr", "*.tif", "*.raw"}) {
        EXPECT_TRUE(VolumeFilesFilter().contains(QString::fromLatin1(pattern))) << pattern;
    }
}

}  // namespace
}  // namespace calyra::ui::testing
