// The rendering settings as one value: put in place of the process-wide
// settings and taken from them again.
#include "render/user_settings.h"

#include "test_support.h"

namespace calyra {
namespace {

using UserSettingsTest = test::CoreTest;

// The process-wide settings field by field against s.
void ExpectProcessHas(const UserSettings& s) {
    EXPECT_EQ(renderType, s.renderType);
    EXPECT_EQ(threshold, s.threshold);
    EXPECT_EQ(interpolate, s.interpolate);
    EXPECT_EQ(gradientShading, s.gradientShading);
    EXPECT_EQ(stereo, s.stereo);
    EXPECT_EQ(colourMap, s.colourMap);
    EXPECT_EQ(displayWindow, s.displayWindow);
}

TEST_F(UserSettingsTest, ApplyingAndTakingKeepEveryField) {
    // Every field away from its start value.
    const UserSettings moved{.renderType = RenderType::Average,
                             .threshold = 0.625f,
                             .interpolate = true,
                             .gradientShading = false,
                             .stereo = true,
                             .colourMap = ColourMap::Viridis,
                             .displayWindow = {12, 34}};
    // With moved, every two flags differ once: a flag swapped for another shows.
    UserSettings mixed = moved;
    mixed.gradientShading = true;
    mixed.stereo = false;
    const UserSettings values[] = {moved, mixed};
    for (const UserSettings& value : values) {
        ApplyUserSettings(value);
        ExpectProcessHas(value);
        const UserSettings taken = CurrentUserSettings();
        ExpectProcessHas(taken);
        ApplyUserSettings(kStartupSettings);
        ExpectProcessHas(kStartupSettings);
        ApplyUserSettings(taken);
        ExpectProcessHas(value);
    }
}

}  // namespace
}  // namespace calyra
