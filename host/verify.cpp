// `novra --verify FILE`: the Game without a window or console, a demo played as fast as it goes.
#include "game/commands.h"
#include "game/demo.h"
#include "game/game.h"
#include "host/host.h"

namespace novra {

namespace {

void framebuffer_size_taken(int32_t, int32_t) {}
void present_nothing(int32_t, int32_t, int32_t, int32_t, const uint32_t*) {}
void log_nothing(const char*) {}

}  // namespace

int host_verify(const char* file, int64_t (*clock_us)(), char* line, size_t capacity) {
    // Files are read, never written: the commands that would write one are refused while a demo plays.
    PlatformTable table{framebuffer_size_taken, present_nothing, log_nothing, nullptr, nullptr,
                        host_file_read,         nullptr,         clock_us};
    game_setup(table);
    switch (demo_verify(file, game_command, line, capacity)) {
        case DemoVerdict::matched:
            return 0;
        case DemoVerdict::differs:
            return 1;
        case DemoVerdict::refused:
            break;
    }
    return 2;
}

}  // namespace novra
