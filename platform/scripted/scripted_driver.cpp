// The scripted driver: virtual time, the script of input and the read-back of the simulation.
#include <algorithm>

#include "platform/scripted/scripted.h"
#include "platform/sim/driver.h"
#include "platform/sim/text.h"

namespace novra {

namespace {

enum class EventKind { key, focus, resize, close, console_record };

struct ScriptedEvent {
    ScriptedWhen when;
    EventKind kind;
    uint8_t virtual_key;
    bool flag;  // key down, focused
    bool repeat;
    int32_t width, height;
    INPUT_RECORD record;
};

struct ScriptedState {
    ScriptedConfig config;
    int64_t now;
    int64_t pass;
    uint64_t empty_peeks_seen;
    std::vector<ScriptedEvent> pending;  // in the order scheduled
};

ScriptedState state;

bool event_due(const ScriptedEvent& event) {
    return event.when.by_time ? event.when.value <= state.now : event.when.value <= state.pass;
}

void event_deliver(const ScriptedEvent& event) {
    switch (event.kind) {
        case EventKind::key:
            sim_key(event.virtual_key, event.flag, event.repeat);
            break;
        case EventKind::focus:
            sim_focus(event.flag);
            break;
        case EventKind::resize:
            sim_resize(event.width, event.height);
            break;
        case EventKind::close:
            sim_close();
            break;
        case EventKind::console_record:
            sim_console_record(event.record);
            break;
    }
}

void scripted_deliver(bool message_pump) {
    if (message_pump && sim_empty_peeks() > state.empty_peeks_seen) {
        ++state.pass;
        state.empty_peeks_seen = sim_empty_peeks();
    }
    // Delivery may send messages whose handlers read the clock or the console, so take the due
    // events out before delivering any of them.
    std::vector<ScriptedEvent> due;
    std::erase_if(state.pending, [&](const ScriptedEvent& event) {
        if (!event_due(event)) return false;
        due.push_back(event);
        return true;
    });
    for (const ScriptedEvent& event : due)
        event_deliver(event);
}

int64_t scripted_counter_read() {
    int64_t value = state.now;
    state.now += state.config.counter_step;
    return value;
}

void scripted_sleep(uint32_t milliseconds) {
    state.now += int64_t(milliseconds) * state.config.counter_frequency / 1000 + state.config.sleep_oversleep;
}

void schedule(const ScriptedEvent& event) {
    state.pending.push_back(event);
}

}  // namespace

void scripted_start(const ScriptedConfig& config) {
    state = ScriptedState{config, config.counter_start, 0, 0, {}};
    DriverHooks hooks{};
    hooks.default_client_width = config.client_width;
    hooks.default_client_height = config.client_height;
    hooks.console_width = config.console_width;
    hooks.console_height = config.console_height;
    hooks.console_window_height = config.console_height;
    hooks.counter_frequency = config.counter_frequency;
    hooks.counter_read = scripted_counter_read;
    hooks.sleep = scripted_sleep;
    hooks.deliver_input = scripted_deliver;
    sim_reset(hooks, config.record_calls);
}

int64_t scripted_now() {
    return state.now;
}
void scripted_advance(int64_t ticks) {
    state.now += ticks;
}
void scripted_set_counter_step(int64_t ticks) {
    state.config.counter_step = ticks;
}
void scripted_set_oversleep(int64_t ticks) {
    state.config.sleep_oversleep = ticks;
}

int64_t scripted_pass() {
    return state.pass;
}
void scripted_next_pass() {
    ++state.pass;
    state.empty_peeks_seen = sim_empty_peeks();
}

void scripted_key(ScriptedWhen when, uint8_t virtual_key, bool down, bool repeat) {
    schedule(ScriptedEvent{when, EventKind::key, virtual_key, down, repeat, 0, 0, {}});
}

void scripted_focus(ScriptedWhen when, bool focused) {
    schedule(ScriptedEvent{when, EventKind::focus, 0, focused, false, 0, 0, {}});
}

void scripted_resize(ScriptedWhen when, int32_t client_width, int32_t client_height) {
    schedule(ScriptedEvent{when, EventKind::resize, 0, false, false, client_width, client_height, {}});
}

void scripted_close(ScriptedWhen when) {
    schedule(ScriptedEvent{when, EventKind::close, 0, false, false, 0, 0, {}});
}

void scripted_console_key(ScriptedWhen when, char16_t character, uint16_t virtual_key, bool down,
                          uint16_t repeat_count) {
    INPUT_RECORD record{};
    record.EventType = KEY_EVENT;
    record.Event.KeyEvent.bKeyDown = down;
    record.Event.KeyEvent.wRepeatCount = repeat_count;
    record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
    record.Event.KeyEvent.uChar.UnicodeChar = character;
    schedule(ScriptedEvent{when, EventKind::console_record, 0, false, false, 0, 0, record});
}

void scripted_console_text(ScriptedWhen when, std::u16string_view text) {
    for (char16_t unit : text) {
        uint16_t key = 0;
        if (unit >= u'a' && unit <= u'z') key = uint16_t(unit - 32);
        if ((unit >= u'A' && unit <= u'Z') || (unit >= u'0' && unit <= u'9')) key = unit;
        if (unit == u' ') key = VK_SPACE;
        if (unit == 13) key = VK_RETURN;
        if (unit == 8) key = VK_BACK;
        scripted_console_key(when, unit, key, true);
        scripted_console_key(when, unit, key, false);
    }
}

int32_t scripted_pending() {
    return int32_t(state.pending.size());
}

ScriptedPicture scripted_client() {
    const SimWindow& window = sim_window();
    if (!window.exists) return ScriptedPicture{0, 0, {}};
    return ScriptedPicture{window.client_width, window.client_height, window.pixels};
}

uint32_t scripted_pixel(int32_t x, int32_t y) {
    const SimWindow& window = sim_window();
    if (!window.exists || x < 0 || y < 0 || x >= window.client_width || y >= window.client_height) return 0;
    return window.pixels[size_t(y) * size_t(window.client_width) + size_t(x)];
}

ScriptedConsole scripted_console() {
    const SimConsole& console = sim_console();
    ScriptedConsole view{console.attached,
                         console.width,
                         console.height,
                         console.cursor.X,
                         console.cursor.Y,
                         console.title,
                         {},
                         {},
                         console.input.size()};
    for (const ConsoleCell& cell : console.cells) {
        view.characters.push_back(cell.ch);
        view.attributes.push_back(cell.attributes);
    }
    return view;
}

std::u16string scripted_console_row(int16_t row) {
    const SimConsole& console = sim_console();
    if (row < 0 || row >= console.height) return {};
    std::u16string text;
    for (int16_t x = 0; x < console.width; ++x)
        text.push_back(console.cells[size_t(row) * size_t(console.width) + size_t(x)].ch);
    return text;
}

std::string scripted_console_line(int16_t row) {
    const SimConsole& console = sim_console();
    if (row < 0 || row >= console.height) return {};
    std::u16string text;
    for (int16_t x = 0; x < console.width; ++x) {
        const ConsoleCell& cell = console.cells[size_t(row) * size_t(console.width) + size_t(x)];
        if (cell.half != CellHalf::trailing) text.push_back(cell.ch == 0 ? u' ' : cell.ch);
    }
    while (!text.empty() && text.back() == u' ')
        text.pop_back();
    return utf8_from_utf16(text);
}

ScriptedWindow scripted_window() {
    const SimWindow& window = sim_window();
    return ScriptedWindow{window.exists, window.visible, window.focused, window.title};
}

const std::vector<std::string>& scripted_calls() {
    return sim_calls();
}
void scripted_clear_calls() {
    sim_calls().clear();
}

}  // namespace novra
