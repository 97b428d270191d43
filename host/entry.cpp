// The program's entry. On Windows the system enters at wWinMain; in the browser main() hands the page
// the Host's open (with the world of the page's `?world=NAME`), pass and close, and the page's animation
// frames drive the passes; elsewhere main()
// opens the desktop driver (an SDL2 window and the terminal) and runs the same host_main on it. The one
// argument, a world file, reaches host_main as Windows would hand it: a wide command line.
// `--verify FILE` instead plays the demo FILE with no window and prints the result line (the page:
// `?verify=NAME`, the line in the console and as the page's title).
#include "host/host.h"

constexpr size_t verify_line_size = 512;

#if defined(_WIN32)

#include <cstring>
#include <cwchar>
#include <string>

namespace {

// A GUI program has a standard output only when it was redirected; otherwise the line goes to the
// console it was started from, if any.
void print_line(const char* line) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if ((out == nullptr || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(out, &mode)) {
        wchar_t text[verify_line_size + 2];
        const int units = MultiByteToWideChar(CP_UTF8, 0, line, -1, text, int(verify_line_size));
        const DWORD length = units > 0 ? DWORD(units - 1) : 0;
        text[length] = L'\r';
        text[length + 1] = L'\n';
        WriteConsoleW(out, text, length + 2, &written, nullptr);
    } else {
        WriteFile(out, line, DWORD(std::strlen(line)), &written, nullptr);
        WriteFile(out, "\r\n", 2, &written, nullptr);
    }
}

// The rest of a command line that starts with --verify, or null.
const wchar_t* verify_argument(const wchar_t* command_line) {
    if (command_line == nullptr) return nullptr;
    while (*command_line == L' ')
        ++command_line;
    constexpr size_t flag = 8;
    if (std::wcsncmp(command_line, L"--verify", flag) != 0) return nullptr;
    if (command_line[flag] != 0 && command_line[flag] != L' ') return nullptr;
    return command_line + flag;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous_instance, PWSTR command_line, int show_command) {
    if (const wchar_t* argument = verify_argument(command_line)) {
        const std::string file = novra::command_line_file(argument);
        char line[verify_line_size] = "usage: novra --verify FILE";
        const int code =
            file.empty() ? 2 : novra::host_verify(file.c_str(), novra::host_clock_us, line, sizeof line);
        print_line(line);
        return code;
    }
    return novra::host_main(instance, previous_instance, command_line, show_command);
}

#elif defined(__EMSCRIPTEN__)

#include <emscripten.h>
#include <unistd.h>

#include <string>

#include "console/console.h"
#include "game/commands.h"
#include "game/demo.h"
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

EM_JS(void, page_title_set, (const char* title), { document.title = UTF8ToString(title); });

// The page's `?verify=NAME`: the demo the page fetched into the folder /verify; empty for none.
std::string verify_name;

// Plays the demo as `novra --verify` does, in the running program: the result line in the console and
// as the page's title.
void web_verify() {
    char line[verify_line_size];
    chdir("/verify");
    novra::demo_verify(verify_name.c_str(), novra::game_command, line, sizeof line);
    chdir("/worlds");
    novra::game.platform.log(line);
    page_title_set(line);
}

// Every open starts from the records a new process has, so the page can start the program again after
// it has ended; then the world the page names, if any.
bool web_open(HINSTANCE instance) {
    novra::host_reset();
    novra::console_reset();
    novra::game_reset();
    if (!novra::host_open(instance)) return false;
    novra::host_load_world(command_line.c_str());
    if (!verify_name.empty()) web_verify();
    return true;
}

}  // namespace

// Called by the page once the saved worlds are back from its storage (and the demo to verify, if any, has
// been fetched): the program starts.
extern "C" EMSCRIPTEN_KEEPALIVE void novra_start(const char* world, const char* verify) {
    verify_name = verify;
    const int units = MultiByteToWideChar(CP_UTF8, 0, world, -1, nullptr, 0);
    std::u16string file(size_t(units > 0 ? units - 1 : 0), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, world, -1, file.data(), units);
    command_line = u"\"" + file + u"\"";
    novra::web_main({web_open, web_pass, novra::host_close});
}

// World files live in the page's persistent storage (IndexedDB), in the working folder /worlds; the
// program starts once what earlier visits saved has been read back. A demo to verify is fetched from
// beside the page into /verify (a failed fetch leaves no file there, which the result line says).
int main() {
    EM_ASM({
        FS.mkdir("/worlds");
        FS.mkdir("/verify");
        FS.mount(IDBFS, {}, "/worlds");
        FS.chdir("/worlds");
        const parameters = new URLSearchParams(window.location.search);
        const world = parameters.get("world") || "";
        const verify = parameters.get("verify") || "";
        const name = verify.split("/").pop();
        const start = function() {
            Module.ccall("novra_start", null, [ "string", "string" ], [ world, name ]);
        };
        const fetched =
            !verify ? Promise.resolve()
                    : fetch(verify)
                          .then(function(response) { return response.ok ? response.arrayBuffer() : null; })
                          .then(
                              function(bytes) {
                                  if (bytes) FS.writeFile("/verify/" + name, new Uint8Array(bytes));
                              },
                              function(){});
        FS.syncfs(
            true, function() { fetched.then(start); });
    });
    return 0;
}

#else

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/desktop/desktop.h"

namespace {

std::u16string command_line;  // the first argument, quoted, in UTF-16

int desktop_entry(HINSTANCE instance, HINSTANCE previous_instance, PWSTR, int show_command) {
    return novra::host_main(instance, previous_instance, command_line.data(), show_command);
}

int64_t steady_clock_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--verify") == 0) {
        char line[verify_line_size] = "usage: novra --verify FILE";
        const int code = argc == 3 ? novra::host_verify(argv[2], steady_clock_us, line, sizeof line) : 2;
        std::printf("%s\n", line);
        return code;
    }
    if (argc > 1) {
        const int units = MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, nullptr, 0);
        std::u16string file(size_t(units > 0 ? units - 1 : 0), u'\0');
        MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, file.data(), units);
        command_line = u"\"" + file + u"\"";
    }
    return novra::desktop_main(desktop_entry);
}

#endif
