// The tests' desktop on the scripted driver: input is scheduled for the current pass, so the next
// PeekMessageW delivers it.
#include "platform/scripted/scripted.h"
#include "tests/platform/win32/fixture.h"

namespace novra {

void fixture_start(int32_t client_width, int32_t client_height, int16_t console_width,
                   int16_t console_height) {
    ScriptedConfig config;
    config.client_width = client_width;
    config.client_height = client_height;
    config.console_width = console_width;
    config.console_height = console_height;
    scripted_start(config);
}

bool fixture_console_allocated() {
    return true;
}

bool fixture_wine() {
    return false;
}

void fixture_key(uint8_t virtual_key, bool down, bool repeat) {
    scripted_key(scripted_at_pass(scripted_pass()), virtual_key, down, repeat);
}

void fixture_focus(bool focused) {
    scripted_focus(scripted_at_pass(scripted_pass()), focused);
}

void fixture_resize(int32_t client_width, int32_t client_height) {
    scripted_resize(scripted_at_pass(scripted_pass()), client_width, client_height);
}

void fixture_close() {
    scripted_close(scripted_at_pass(scripted_pass()));
}

}  // namespace novra
