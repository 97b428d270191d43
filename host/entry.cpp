// The program's entry. On Windows the system enters at wWinMain; in the browser main() hands the page
// the Host's open (with the world of the page's `?world=NAME`), pass and close, and the page's animation
// frames drive the passes; elsewhere main()
// opens the desktop driver (an SDL2 window and the terminal) and runs the same host_main on it. The one
// argument, a world file, reaches host_main as Windows would hand it: a wide command line.
#include "host/host.h"

#if defined(_WIN32)

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous_instance, PWSTR command_line, int show_command) {
    return novra::host_main(instance, previous_instance, command_line, show_command);
}

#elif defined(__EMSCRIPTEN__)

#include <emscripten.h>

#include <string>

#include "console/console.h"
#include "game/game.h"
#include "platform/web/web.h"

namespace {

// A pass from an animation frame runs only when the pacer's grid says one is due, and never waits;
// the last pass, as the page closes, runs at once.
bool web_pass(bool paced) {
    if (paced) {
        novra::host_pass_when_due();
    } else {
        novra::host_step();
    }
    return novra::running;
}

// The page's `?world=NAME`, quoted, as the command line names a world file.
std::u16string command_line;

// Every open starts from the records a new process has, so the page can start the program again after
// it has ended; then the world the page names, if any.
bool web_open(HINSTANCE instance) {
    novra::host_reset();
    novra::console_reset();
    novra::game_reset();
    if (!novra::host_open(instance)) return false;
    novra::host_load_world(command_line.c_str());
    return true;
}

}  // namespace

// Called by the page once the saved worlds are back from its storage: the program starts.
extern "C" EMSCRIPTEN_KEEPALIVE void novra_start(const char* world) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, world, -1, nullptr, 0);
    std::u16string file(size_t(units > 0 ? units - 1 : 0), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, world, -1, file.data(), units);
    command_line = u"\"" + file + u"\"";
    novra::web_main({web_open, web_pass, novra::host_close});
}

// World files live in the page's persistent storage (IndexedDB), in the working folder /worlds; the
// program starts once what earlier visits saved has been read back.
int main() {
    EM_ASM({
        FS.mkdir("/worlds");
        FS.mount(IDBFS, {}, "/worlds");
        FS.chdir("/worlds");
        FS.syncfs(
            true, function() {
                const world = new URLSearchParams(window.location.search).get("world") || "";
                Module.ccall("novra_start", null, ["string"], [world]);
            });
    });
    return 0;
}

#else

#include <string>

#include "platform/desktop/desktop.h"

namespace {

std::u16string command_line;  // the first argument, quoted, in UTF-16

int desktop_entry(HINSTANCE instance, HINSTANCE previous_instance, PWSTR, int show_command) {
    return novra::host_main(instance, previous_instance, command_line.data(), show_command);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const int units = MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, nullptr, 0);
        std::u16string file(size_t(units > 0 ? units - 1 : 0), u'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, file.data(), units);
        command_line = u"\"" + file + u"\"";
    }
    return novra::desktop_main(desktop_entry);
}

#endif
