// The web driver: the html5 API for keys, focus, resizes, the animation frame and the page closing;
// a few lines of JavaScript to put the picture on the canvas (the browser scales it) and the console's cells
// in the panel; performance.now() for the clock.
#include <emscripten.h>
#include <emscripten/html5.h>
#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/driver.h"
#include "platform/sim/text.h"
#include "platform/web/web.h"
#include "platform/web/web_keys.h"
#include "platform/web/web_panel.h"
#include "platform/web/web_picture.h"

// The page's side. The canvas is the picture at its own size (256 x 192), placed on the window's area
// (#game, whose black background is the bars) at the letterbox rectangle, given in device pixels; the
// browser scales it with image-rendering: pixelated. So a frame copies 49,152 pixels at any window size,
// and makes no garbage: one ImageData of the picture's size is kept.
EM_JS(void, page_picture_show,
      (const uint8_t* rgba, int width, int height, int changed_x, int changed_y, int changed_width,
       int changed_height, int x, int y, int box_width, int box_height),
      {
          const canvas = document.getElementById('canvas');
          let image = Module['novraImage'];
          if (!image || canvas.width != width || canvas.height != height) {
              canvas.width = width;
              canvas.height = height;
              image = Module['novraImage'] = new ImageData(width, height);
          }
          // Only the changed rectangle is drawn, so the browser composites again only the part of the
          // scaled canvas it covers: at a large window that, not the copy, is what a frame costs.
          if (changed_width > 0 && changed_height > 0) {
              image.data.set(HEAPU8.subarray(rgba, rgba + width * height * 4));
              canvas.getContext('2d').putImageData(image, 0, 0, changed_x, changed_y, changed_width,
                                                   changed_height);
          }
          // Whole device pixels at every ratio. Lengths in CSS are rounded to 1/64 of a CSS pixel, which
          // at 1.25x or 1.75x leaves an edge part-way into a device pixel, blended with the bars; a
          // transform of the canvas at its own size in CSS pixels is not rounded so.
          const ratio = window.devicePixelRatio || 1;
          const place = x + ' ' + y + ' ' + box_width + ' ' + box_height + ' ' + ratio;
          if (canvas.dataset.place != place) {
              canvas.dataset.place = place;
              canvas.style.width = width + 'px';
              canvas.style.height = height + 'px';
              canvas.style.transform = 'matrix(' + box_width / (width * ratio) + ', 0, 0, ' +
                                       box_height / (height * ratio) + ', ' + x / ratio + ', ' + y / ratio +
                                       ')';
          }
      });

EM_JS(void, page_panel_show, (const char* html),
      { document.getElementById('console').innerHTML = UTF8ToString(html); });

EM_JS(void, page_console_title_show, (const char* title),
      { document.getElementById('console-title').textContent = UTF8ToString(title); });

// Which of the two has the keyboard focus: 1 the canvas, 2 the panel, 0 neither.
EM_JS(int, page_focus, (), {
    const element = document.activeElement;
    return element && element.id == 'canvas' ? 1 : element && element.id.startsWith('console') ? 2 : 0;
});

EM_JS(void, page_ended, (), {
    document.body.classList.remove('running');
    document.body.classList.add('ended');
});

EM_JS(void, page_running, (), {
    document.body.classList.remove('ended');
    document.body.classList.add('running');
});

namespace novra {

namespace {

constexpr int64_t ticks_per_second = 10'000'000;  // the counter ticks in 100 ns, as on the desktop
constexpr int16_t console_columns = 80;           // the panel shows the whole buffer
constexpr int16_t console_rows = 25;

struct WebState {
    WebProgram program;
    bool opened;
    bool ended;
    bool canvas_focused;
    bool panel_focused;
    int32_t area_width;  // the window's area in device pixels, as last reported to the window
    int32_t area_height;
    uint64_t console_shown;     // SimConsole::version last put in the panel
    std::vector<uint8_t> rgba;  // the picture last handed to the page
    int32_t place[4];           // and where: x, y, width, height in device pixels
    double ratio;               // at this device pixel ratio
    std::string panel;
    std::u16string title_shown;
    std::string title;
    std::vector<INPUT_RECORD> records;
};

WebState state;

int64_t page_ticks() {
    return std::llround(emscripten_get_now() * double(ticks_per_second / 1000));
}

void area_size(int32_t& width, int32_t& height) {
    double css_width = 0, css_height = 0;
    emscripten_get_element_css_size("#game", &css_width, &css_height);
    const double ratio = emscripten_get_device_pixel_ratio();
    width = int32_t(std::lround(std::fmax(css_width * ratio, 0.0)));
    height = int32_t(std::lround(std::fmax(css_height * ratio, 0.0)));
}

// The window follows the area the page gives it; each change reaches the window as a resize.
void area_follow() {
    int32_t width = 0, height = 0;
    area_size(width, height);
    if (width == state.area_width && height == state.area_height) return;
    state.area_width = width;
    state.area_height = height;
    sim_resize(width, height);
}

// StretchDIBits' picture, top row first as the canvas takes it. The program blits its whole picture
// unmirrored; the canvas shows the whole picture in the destination rectangle. An unchanged picture in
// an unchanged place is not handed to the page again, so a still game costs the browser no drawing.
void picture_stretched(const StretchedPicture& picture) {
    const PictureChange changed = web_picture_rgba(picture, state.rgba);
    int32_t place[4];
    web_picture_place(picture, place);
    // A new device pixel ratio (the page zoomed, the window moved to another screen) may leave the
    // rectangle in device pixels as it was, but its CSS placement changes.
    const double ratio = emscripten_get_device_pixel_ratio();
    if (changed.width == 0 && std::equal(place, place + 4, state.place) && ratio == state.ratio) return;
    std::copy(place, place + 4, state.place);
    state.ratio = ratio;
    page_picture_show(state.rgba.data(), picture.image_width, picture.image_height, changed.x, changed.y,
                      changed.width, changed.height, place[0], place[1], place[2], place[3]);
}

void console_show() {
    const SimConsole& console = sim_console();
    if (console.cells.empty() || console.version == state.console_shown) return;
    state.console_shown = console.version;
    web_panel_html(console, state.panel);
    page_panel_show(state.panel.c_str());
    if (console.title != state.title_shown) {
        state.title_shown = console.title;
        state.title = utf8_from_utf16(console.title);
        page_console_title_show(state.title.c_str());
    }
}

void window_created() {
    emscripten_set_window_title(utf8_from_utf16(sim_window().title).c_str());
}

void finish() {
    state.ended = true;
    if (state.opened) state.program.close();
    console_show();
    page_ended();
}

bool program_open() {
    int32_t width = 0, height = 0;
    area_size(width, height);
    DriverHooks hooks{};
    hooks.default_client_width = width;
    hooks.default_client_height = height;
    hooks.console_width = console_columns;
    hooks.console_height = console_rows;
    hooks.console_window_height = console_rows;
    hooks.counter_frequency = ticks_per_second;
    hooks.counter_read = page_ticks;
    // No sleep and no wait for console input: nothing here may block the page. The program never asks,
    // since it paces on the animation frames and only reads the console's input after peeking.
    hooks.window_created = window_created;
    hooks.picture_stretched = picture_stretched;
    sim_reset(hooks, false);
    state.area_width = width;
    state.area_height = height;
    if (!state.program.open(reinterpret_cast<HINSTANCE>(uintptr_t(0x400000)))) return false;
    state.opened = true;
    // Focus events before the program opened went nowhere; start from where the focus is now.
    const int focus = page_focus();
    state.canvas_focused = focus == 1;
    state.panel_focused = focus == 2;
    sim_focus(state.canvas_focused);
    return true;
}

EM_BOOL on_animation_frame(double, void*) {
    if (state.ended) return EM_FALSE;
    if (!state.opened) {
        if (!program_open()) {
            finish();
            return EM_FALSE;
        }
        page_running();
    }
    area_follow();
    const bool runs = state.program.pass(true);
    console_show();
    if (runs) return EM_TRUE;
    finish();
    return EM_FALSE;
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* event, void*) {
    if (!state.opened || state.ended) return EM_FALSE;
    const WebKey key{event->code,         event->key,         event->shiftKey != 0,
                     event->ctrlKey != 0, event->altKey != 0, event->metaKey != 0};
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    // The layer keeps every key's physical state; the window gets key messages only while the canvas
    // has the focus.
    const uint8_t virtual_key = web_virtual_key(key.code, key.key);
    if (virtual_key) sim_key(virtual_key, down, down && event->repeat);
    if (state.canvas_focused) return web_game_takes(key);
    // A key an input method takes (keyCode 229, whatever its `key`) types nothing of itself: the text it
    // composes reaches the panel's field as input, and typing the key here too would type it twice.
    if (!state.panel_focused || !down || event->keyCode == 229 || web_browser_shortcut(key)) return EM_FALSE;
    state.records.clear();
    const bool taken = web_console_keys(key, state.records);
    for (const INPUT_RECORD& record : state.records)
        sim_console_record(record);
    return taken;
}

EM_BOOL on_canvas_focus(int type, const EmscriptenFocusEvent*, void*) {
    state.canvas_focused = type == EMSCRIPTEN_EVENT_FOCUS;
    if (state.opened && !state.ended) sim_focus(state.canvas_focused);
    return EM_FALSE;
}

EM_BOOL on_panel_focus(int type, const EmscriptenFocusEvent*, void*) {
    state.panel_focused = type == EMSCRIPTEN_EVENT_FOCUS;
    return EM_FALSE;
}

EM_BOOL on_resize(int, const EmscriptenUiEvent*, void*) {
    if (state.opened && !state.ended) area_follow();
    return EM_FALSE;
}

// Closing the page is the program's close: the close command, the pass that takes it, then close.
const char* on_unload(int, const void*, void*) {
    if (state.opened && !state.ended) {
        sim_close();
        state.program.pass(false);
        finish();
    }
    return nullptr;
}

}  // namespace

int web_main(WebProgram program) {
    state = WebState{};
    state.program = program;
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, true, on_key);
    emscripten_set_keyup_callback(window, nullptr, true, on_key);
    emscripten_set_focus_callback("#canvas", nullptr, false, on_canvas_focus);
    emscripten_set_blur_callback("#canvas", nullptr, false, on_canvas_focus);
    emscripten_set_focus_callback("#console", nullptr, false, on_panel_focus);
    emscripten_set_blur_callback("#console", nullptr, false, on_panel_focus);
    emscripten_set_focus_callback("#console-input", nullptr, false, on_panel_focus);
    emscripten_set_blur_callback("#console-input", nullptr, false, on_panel_focus);
    emscripten_set_resize_callback(window, nullptr, false, on_resize);
    emscripten_set_beforeunload_callback(nullptr, on_unload);
    emscripten_request_animation_frame_loop(on_animation_frame, nullptr);
    return 0;
}

}  // namespace novra

// Text the panel gets without keys (a paste, a touch keyboard, an input method), one UTF-16 code unit a
// call: typed as the console's key records, a line feed finishing the line as Enter does (a carriage
// return is dropped, so CR LF is one Enter).
extern "C" EMSCRIPTEN_KEEPALIVE void novra_console_text_unit(int unit) {
    using namespace novra;
    if (!state.opened || state.ended) return;
    state.records.clear();
    web_text_records(unit, state.records);
    for (const INPUT_RECORD& record : state.records)
        sim_console_record(record);
}

// An on-screen arrow button pressed or released (the page gives the canvas the focus first).
extern "C" EMSCRIPTEN_KEEPALIVE void novra_touch_key(int virtual_key, int down) {
    using namespace novra;
    if (!state.opened || state.ended || virtual_key < VK_LEFT || virtual_key > VK_DOWN) return;
    sim_key(uint8_t(virtual_key), down != 0, false);
}

// The page's "Start again" after the program has ended: a fresh program from the next animation frame.
extern "C" EMSCRIPTEN_KEEPALIVE void novra_start_again() {
    using namespace novra;
    if (!state.ended) return;
    const WebProgram program = state.program;
    state = WebState{};
    state.program = program;
    emscripten_request_animation_frame_loop(on_animation_frame, nullptr);
}

// The heap as the page's own test reads it: bytes in use by malloc, and the size of the wasm memory.
extern "C" EMSCRIPTEN_KEEPALIVE size_t novra_heap_in_use() {
    return size_t(mallinfo().uordblks);
}

extern "C" EMSCRIPTEN_KEEPALIVE size_t novra_heap_size() {
    return __builtin_wasm_memory_size(0) * 65536;
}
