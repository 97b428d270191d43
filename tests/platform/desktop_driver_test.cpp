// The desktop driver without a display: one clear line and exit status 1, the entry never run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/desktop/desktop.h"

namespace novra {
namespace {

bool entry_ran = false;

int entry(HINSTANCE, HINSTANCE, PWSTR, int) {
    entry_ran = true;
    return 0;
}

TEST(DesktopDriver, WithoutADisplayReturnsOneAndNamesWhatIsMissing) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    ::testing::internal::CaptureStderr();
    int status = desktop_main(entry);
    std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_FALSE(entry_ran);
    EXPECT_NE(said.find("DISPLAY"), std::string::npos);
    EXPECT_NE(said.find("WAYLAND_DISPLAY"), std::string::npos);
    EXPECT_EQ(said.find('\n'), said.size() - 1);  // exactly one line
}

}  // namespace
}  // namespace novra
