// The demo reader fed random bytes: it refuses with a line inside the file, or what it read writes out
// as a file it reads back to the same demo, byte for byte the same when written again. A mismatch
// throws, which ends the run as a crash.
#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "game/demo_file.h"

namespace {

bool same(const novra::Demo& a, const novra::Demo& b) {
    const auto boxes_equal = [](const novra::DemoBox& x, const novra::DemoBox& y) {
        return x.number == y.number && x.x == y.x && x.y == y.y && x.w == y.w && x.h == y.h;
    };
    const auto keys_equal = [](const novra::DemoKeys& x, const novra::DemoKeys& y) {
        return x.pass == y.pass && x.arrows == y.arrows;
    };
    const auto typed_equal = [](const novra::DemoTyped& x, const novra::DemoTyped& y) {
        return x.pass == y.pass && x.line == y.line;
    };
    return a.player_x == b.player_x && a.player_y == b.player_y && a.next_number == b.next_number &&
           std::equal(a.boxes.begin(), a.boxes.end(), b.boxes.begin(), b.boxes.end(), boxes_equal) &&
           std::equal(a.keys.begin(), a.keys.end(), b.keys.begin(), b.keys.end(), keys_equal) &&
           std::equal(a.typed.begin(), a.typed.end(), b.typed.begin(), b.typed.end(), typed_equal) &&
           a.checksums == b.checksums;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    novra::Demo demo, again;
    novra::FileProblem problem{};
    if (!novra::demo_parse(text, demo, problem)) {
        const int64_t lines = std::count(text.begin(), text.end(), '\n') + 1;
        if (problem.line < 1 || problem.line > lines || problem.what[0] == 0)
            throw std::logic_error("a refusal names no line of the file");
        return 0;
    }
    std::string written, rewritten;
    novra::demo_write(written, demo);
    if (!novra::demo_parse(written, again, problem)) throw std::logic_error("a written demo is refused");
    if (!same(demo, again)) throw std::logic_error("a written demo reads back as another");
    novra::demo_write(rewritten, again);
    if (rewritten != written) throw std::logic_error("a demo written twice differs");
    return 0;
}
