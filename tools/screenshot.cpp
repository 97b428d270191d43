// novra_screenshot: runs the real program (host_main) on the scripted desktop for a number of passes,
// with keys held over chosen passes, and writes the window's client area as a PNG.
//
//   novra_screenshot OUT.png [--passes N] [--size WIDTHxHEIGHT] [--hold KEY:FROM-TO]...
//
// KEY is LEFT, RIGHT, UP or DOWN; it goes down in the message pump of pass FROM and up in that of pass
// TO (passes count from 0), so it moves the player on passes FROM to TO - 1. The picture is the last
// one presented, which shows the player where it stood before that pass's move. docs/screenshot.png is
// `novra_screenshot docs/screenshot.png --passes 30 --hold RIGHT:0-20 --hold UP:0-10 --size 1000x600`.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/host.h"
#include "platform/scripted/scripted.h"

namespace novra {
namespace {

struct KeyHold {
    uint8_t virtual_key;
    int64_t from, to;
};

struct ScreenshotOptions {
    const char* output = nullptr;
    int64_t passes = 30;
    int32_t width = 800, height = 600;
    std::vector<KeyHold> holds;
};

int usage(const char* problem) {
    std::fprintf(
        stderr,
        "novra_screenshot: %s\n"
        "usage: novra_screenshot OUT.png [--passes N] [--size WIDTHxHEIGHT] [--hold KEY:FROM-TO]...\n"
        "       KEY is LEFT, RIGHT, UP or DOWN\n",
        problem);
    return 2;
}

bool parse_key(const std::string& name, uint8_t& virtual_key) {
    const struct {
        const char* name;
        int code;
    } keys[] = {{"LEFT", VK_LEFT}, {"RIGHT", VK_RIGHT}, {"UP", VK_UP}, {"DOWN", VK_DOWN}};
    for (const auto& key : keys) {
        if (name == key.name) {
            virtual_key = uint8_t(key.code);
            return true;
        }
    }
    return false;
}

bool parse_hold(const char* text, KeyHold& hold) {
    const char* colon = std::strchr(text, ':');
    if (colon == nullptr || !parse_key(std::string(text, colon), hold.virtual_key)) return false;
    long long from = 0, to = 0;
    char end = 0;
    if (std::sscanf(colon + 1, "%lld-%lld%c", &from, &to, &end) != 2) return false;
    hold.from = from;
    hold.to = to;
    return from >= 0 && to > from;
}

// Returns the problem with the arguments, or null when they are sound.
const char* parse(int argc, char** argv, ScreenshotOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool has_value = i + 1 < argc;
        if (argument == "--passes" && has_value) {
            options.passes = std::atoll(argv[++i]);
            if (options.passes < 1) return "--passes needs a count of 1 or more";
        } else if (argument == "--size" && has_value) {
            char end = 0;
            if (std::sscanf(argv[++i], "%dx%d%c", &options.width, &options.height, &end) != 2 ||
                options.width < 1 || options.height < 1 || options.width > 8192 || options.height > 8192)
                return "--size needs WIDTHxHEIGHT, each 1 to 8192";
        } else if (argument == "--hold" && has_value) {
            KeyHold hold{};
            if (!parse_hold(argv[++i], hold)) return "--hold needs KEY:FROM-TO with FROM < TO";
            options.holds.push_back(hold);
        } else if (argument.starts_with("--")) {
            return "unknown option or missing value";
        } else if (options.output == nullptr) {
            options.output = argv[i];
        } else {
            return "more than one output file";
        }
    }
    return options.output == nullptr ? "no output file" : nullptr;
}

int screenshot_main(int argc, char** argv) {
    ScreenshotOptions options;
    if (const char* problem = parse(argc, argv, options)) return usage(problem);

    ScriptedConfig config;
    config.client_width = options.width;
    config.client_height = options.height;
    config.record_calls = false;
    scripted_start(config);
    for (const KeyHold& hold : options.holds) {
        scripted_key(scripted_at_pass(hold.from), hold.virtual_key, true);
        scripted_key(scripted_at_pass(hold.to), hold.virtual_key, false);
    }
    // Taken in the last pass's pump; that pass still runs to the end.
    scripted_close(scripted_at_pass(options.passes - 1));

    const int status = host_main(nullptr, nullptr, nullptr, SW_SHOWNORMAL);
    if (status != 0) return status;
    if (!scripted_write_png(options.output)) {
        std::fprintf(stderr, "novra_screenshot: cannot write %s\n", options.output);
        return 1;
    }
    return 0;
}

}  // namespace
}  // namespace novra

int main(int argc, char** argv) {
    return novra::screenshot_main(argc, argv);
}
