// The whole program, host_main as it ships, run on the scripted desktop for many frames of random input:
// arrow keys pressed and released, the focus lost and regained, the window resized (down to nothing),
// and text, Backspace and Enter typed into the console. At every pass the player box must be clear of
// the solid box, the console's anchor inside its buffer, and the program's own heap allocations (every
// malloc made by NOVRA's code; the layer's containers are not counted) unchanged since the first frames,
// apart from the one block each Enter converts the finished line into.
//
// NOVRA_SOAK_FRAMES sets the number of frames (20,000 by default); NOVRA_SOAK_SEED the input's seed.
#include <cstdlib>
#include <random>

#include "../host/host_fixture.h"
#include "platform/sim/driver.h"

// Every malloc made by the objects of this program goes through here (linked with --wrap=malloc).
extern "C" void* __real_malloc(size_t bytes);
extern "C" void* __wrap_malloc(size_t bytes);

namespace {
uint64_t program_mallocs = 0;
}

extern "C" void* __wrap_malloc(size_t bytes) {
    ++program_mallocs;
    return __real_malloc(bytes);
}

namespace novra {
namespace {

constexpr int32_t warm_up_passes = 10;
constexpr uint8_t arrow_keys[] = {VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN};
constexpr int32_t solid_x = 30, solid_y = 30, solid_size = 30;

int64_t environment_number(const char* name, int64_t fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoll(value, nullptr, 10) : fallback;
}

struct Soak {
    int64_t frames;
    std::mt19937 random;
    uint64_t enter_allocations = 0;    // blocks the console took for finished lines
    uint64_t settled_allocations = 0;  // program mallocs (less the console's) once warmed up
    int64_t last_pass = -1;
    int64_t passes_checked = 0;
    int64_t overlaps = 0, anchors_outside = 0, late_allocations = 0;
    int64_t resizes = 0, focus_changes = 0, key_changes = 0, console_keys = 0;
    int64_t touching_passes = 0;  // passes that found the player flush against the solid box
    void (*scripted_deliver)(bool message_pump) = nullptr;
};
Soak* soak = nullptr;

void* count_console_allocation(size_t bytes) {
    ++soak->enter_allocations;
    return std::malloc(bytes);
}

// Input for the pass that has just begun: delivered by the pump that is starting.
void schedule_input(Soak& s, int64_t pass) {
    const ScriptedWhen now = scripted_at_pass(pass);
    const uint32_t roll = s.random() % 1000;
    if (roll < 60) {
        // Most presses head for the solid box (letting go of the key that would override them), so the
        // player keeps meeting its faces and corners; the rest press or release any arrow.
        if (s.random() % 4 != 0) {
            const bool across = s.random() % 2 == 0;
            const bool ahead = (across ? game.player_x - solid_x : game.player_y - solid_y) > 0;
            const uint8_t toward = across ? (ahead ? VK_LEFT : VK_RIGHT) : (ahead ? VK_DOWN : VK_UP);
            const uint8_t away = across ? (ahead ? VK_RIGHT : VK_LEFT) : (ahead ? VK_UP : VK_DOWN);
            scripted_key(now, away, false);
            scripted_key(now, toward, true, s.random() % 8 == 0);
        } else {
            scripted_key(now, arrow_keys[s.random() % 4], s.random() % 2 == 0);
        }
        ++s.key_changes;
    } else if (roll < 63) {
        scripted_focus(now, s.random() % 2 == 0);
        ++s.focus_changes;
    } else if (roll < 65) {
        // Mostly ordinary sizes, sometimes none at all or a single pixel.
        static const int32_t sizes[] = {0, 1, 3, 64, 256, 320, 641, 800, 1000};
        scripted_resize(now, sizes[s.random() % std::size(sizes)], sizes[s.random() % std::size(sizes)]);
        ++s.resizes;
    } else if (roll < 165) {
        static const char16_t keys[] = {u'a', u'Z', u' ', 0x3042, 0xFF71, 8, 8, 13, 0x1B, 9};
        const char16_t ch = keys[s.random() % std::size(keys)];
        scripted_console_key(now, ch, 0, true);
        scripted_console_key(now, ch, 0, false);
        ++s.console_keys;
    }
}

// Checks what the previous pass left, then lays down input for this one.
void soak_deliver(bool message_pump) {
    Soak& s = *soak;
    s.scripted_deliver(message_pump);
    const int64_t pass = scripted_pass();
    if (!message_pump || pass == s.last_pass) return;
    s.last_pass = pass;
    ++s.passes_checked;

    const bool overlap = game.player_x < solid_x + solid_size && game.player_x + player_size > solid_x &&
                         game.player_y < solid_y + solid_size && game.player_y + player_size > solid_y;
    if (overlap) ++s.overlaps;
    const bool touching = game.player_x <= solid_x + solid_size && game.player_x + player_size >= solid_x &&
                          game.player_y <= solid_y + solid_size && game.player_y + player_size >= solid_y;
    if (touching && !overlap) ++s.touching_passes;
    const COORD anchor = console_state.info.dwCursorPosition;
    if (anchor.X != 0 || anchor.Y < 0 || anchor.Y >= console_state.info.dwSize.Y) ++s.anchors_outside;
    const uint64_t mallocs = program_mallocs - s.enter_allocations;
    if (pass == warm_up_passes) s.settled_allocations = mallocs;
    if (pass > warm_up_passes && mallocs != s.settled_allocations) {
        ++s.late_allocations;
        s.settled_allocations = mallocs;
    }

    if (pass + 1 >= s.frames) {
        scripted_close(scripted_at_pass(pass));
    } else {
        schedule_input(s, pass);
    }
    s.scripted_deliver(message_pump);  // what was just scheduled is due now
}

TEST(Soak, PlayerStaysClearAnchorStaysInsideAndAllocationsStopOverManyFramesOfRandomInput) {
    Soak state{environment_number("NOVRA_SOAK_FRAMES", 20000),
               std::mt19937(uint32_t(environment_number("NOVRA_SOAK_SEED", 8)))};
    soak = &state;
    ScriptedConfig config;
    config.record_calls = false;
    config.client_width = 320;  // small pictures keep each frame's blit cheap
    config.client_height = 240;
    program_reset(config);
    console_allocate = count_console_allocation;
    state.scripted_deliver = sim_driver().deliver_input;
    sim_driver().deliver_input = soak_deliver;

    ASSERT_EQ(host_main(test_instance(), nullptr, nullptr, SW_SHOWNORMAL), 0);
    console_allocate = std::malloc;
    soak = nullptr;

    RecordProperty("frames", std::to_string(state.passes_checked));
    std::printf(
        "soak: %lld passes checked, %lld touching the solid box, %lld key changes, %lld focus changes, "
        "%lld resizes, %lld console keys, %llu line conversions; passes with new program mallocs "
        "after the first %d: %lld\n",
        static_cast<long long>(state.passes_checked), static_cast<long long>(state.touching_passes),
        static_cast<long long>(state.key_changes), static_cast<long long>(state.focus_changes),
        static_cast<long long>(state.resizes), static_cast<long long>(state.console_keys),
        static_cast<unsigned long long>(state.enter_allocations), warm_up_passes,
        static_cast<long long>(state.late_allocations));
    EXPECT_EQ(state.passes_checked, state.frames);
    EXPECT_GT(state.settled_allocations, 0u) << "the count must see the stores made at start";
    EXPECT_GT(state.key_changes, 0);
    EXPECT_GT(state.resizes, 0);
    EXPECT_GT(state.touching_passes, 0);
    EXPECT_GT(state.enter_allocations, 0u);
    EXPECT_EQ(state.overlaps, 0);
    EXPECT_EQ(state.anchors_outside, 0);
    EXPECT_EQ(state.late_allocations, 0);
}

}  // namespace
}  // namespace novra
