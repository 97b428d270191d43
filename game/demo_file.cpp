#include "game/demo_file.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "game/command_line.h"

namespace novra {

namespace {

constexpr char arrow_letters[] = "LURD";  // bit 0 to bit 3

bool fail(FileProblem& problem, int32_t line, const char* format, ...) __attribute__((format(printf, 3, 4)));
bool fail(FileProblem& problem, int32_t line, const char* format, ...) {
    problem.line = line;
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(problem.what, sizeof problem.what, format, arguments);
    va_end(arguments);
    return false;
}

// The next word of `rest` (words are separated by single or repeated spaces), taken off its front.
std::string_view next_word(std::string_view& rest) {
    const size_t start = std::min(rest.find_first_not_of(' '), rest.size());
    const size_t end = std::min(rest.find(' ', start), rest.size());
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
}

// Exactly `count` int32 words and nothing after them.
bool numbers(std::string_view rest, int32_t count, int32_t* out) {
    for (int32_t i = 0; i < count; ++i)
        if (!parse_int32(next_word(rest), out[i])) return false;
    return next_word(rest).empty();
}

// A lower-case hex number of exactly `length` digits (as demo_write writes them).
bool parse_hex(std::string_view word, size_t length, uint64_t& value) {
    if (word.size() != length) return false;
    value = 0;
    for (const char c : word) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        value = value << 4 | uint64_t(digit);
    }
    return true;
}

bool parse_arrows(std::string_view word, uint8_t& arrows) {
    arrows = 0;
    if (word == "-") return true;
    int32_t last = -1;
    for (const char c : word) {
        const char* at = std::find(arrow_letters, arrow_letters + 4, c);
        const auto bit = int32_t(at - arrow_letters);
        if (bit == 4 || bit <= last) return false;  // one of L U R D each, in that order
        arrows |= uint8_t(1 << bit);
        last = bit;
    }
    return !word.empty();
}

bool escaped(uint8_t byte) {
    return byte < 0x20 || byte == 0x7F || byte == '\\';
}

// A written line's text as typed. Control bytes stand only as \xNN, so a line reads back no longer than
// it is written.
bool unescape(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (escaped(uint8_t(text[i])) && text[i] != '\\') return false;
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        uint64_t value = 0;
        if (text.substr(i + 1, 1) != "x" || !parse_hex(text.substr(i + 2, 2), 2, value)) return false;
        out += char(value);
        i += 3;
    }
    return true;
}

int64_t digits(int64_t n) {
    int64_t count = 1;
    for (; n >= 10; n /= 10)
        ++count;
    return count;
}

}  // namespace

bool demo_parse(std::string_view text, Demo& demo, FileProblem& problem) {
    demo = Demo{};
    problem.line = 0;
    FileLines lines = file_lines(text, demo_file_line_limit);
    std::string_view line;
    if (!file_lines_next(lines, line, problem) || line != demo_file_header) {
        if (problem.line != 0) return false;
        constexpr std::string_view family = "# NOVRA demo ";
        if (line.substr(0, family.size()) == family)
            return fail(problem, 1, "a demo of version %.*s; this NOVRA plays version 1",
                        int(std::min<size_t>(line.size() - family.size(), 20)), line.data() + family.size());
        return fail(problem, 1, "not a NOVRA demo: the first line must be \"%.*s\"",
                    int(demo_file_header.size()), demo_file_header.data());
    }
    bool has_player = false, has_next = false, ended = false;
    std::vector<int32_t> box_lines;
    int32_t keys_line = 0;  // where the last keys line stands
    const auto passes = [&] { return int32_t(demo.checksums.size()); };
    while (file_lines_next(lines, line, problem)) {
        if (file_line_is_empty(line)) continue;
        const int32_t at = lines.number;
        if (ended) return fail(problem, at, "a line after end");
        std::string_view rest = line;
        const std::string_view word = next_word(rest);
        int32_t n[5] = {};
        uint64_t sum = 0;
        const bool among_passes = passes() > 0 || !demo.keys.empty() || !demo.typed.empty();
        if ((word == "tp" || word == "next" || word == "box") && among_passes)
            return fail(problem, at, "%.*s among the passes: the world comes before them", int(word.size()),
                        word.data());
        if (word == "tp") {
            if (!numbers(rest, 2, n)) return fail(problem, at, "tp needs X Y, two int32 numbers");
            if (has_player) return fail(problem, at, "a second tp");
            has_player = true;
            demo.player_x = n[0];
            demo.player_y = n[1];
        } else if (word == "next") {
            if (next_word(rest) != "box" || !numbers(rest, 1, n) || n[0] < 0)
                return fail(problem, at, "next needs box N, N from 0 (none left) up");
            if (has_next) return fail(problem, at, "a second next box");
            has_next = true;
            demo.next_number = n[0];
        } else if (word == "box") {
            const std::string_view number = next_word(rest);
            if (!parse_int32(number, n[0]) || next_word(rest) != "at" || !numbers(rest, 4, n + 1))
                return fail(problem, at, "box needs N at X Y W H, five int32 numbers");
            if (n[0] < 1 || n[3] < 1 || n[4] < 1)
                return fail(problem, at, "box: N, W and H must be at least 1");
            if (demo.boxes.size() == size_t(world_file_box_limit))
                return fail(problem, at, "more than %d boxes", world_file_box_limit);
            demo.boxes.push_back({n[0], n[1], n[2], n[3], n[4]});
            box_lines.push_back(at);
        } else if (word == "keys") {
            uint8_t arrows = 0;
            if (!parse_int32(next_word(rest), n[0]) || !parse_arrows(next_word(rest), arrows) ||
                !next_word(rest).empty())
                return fail(problem, at,
                            "keys needs P and the keys held: letters of LURD in that order, or -");
            if (int64_t{n[0]} != int64_t{passes()} + 1 ||
                (!demo.keys.empty() && demo.keys.back().pass == n[0]))
                return fail(problem, at, "keys for pass %d where pass %d's come", n[0], passes() + 1);
            demo.keys.push_back({n[0], arrows});
            keys_line = at;
        } else if (word == "typed") {
            if (!parse_int32(next_word(rest), n[0])) return fail(problem, at, "typed needs P and the line");
            if (n[0] != passes())
                return fail(problem, at, "a line typed in pass %d where pass %d's come", n[0], passes());
            DemoTyped typed{n[0], {}};
            if (!rest.empty()) rest.remove_prefix(1);  // the one space before the line as typed
            if (!unescape(rest, typed.line))
                return fail(problem, at, "typed: a control byte or \\ not written as \\xNN");
            demo.typed.push_back(std::move(typed));
        } else if (word == "end") {
            if (!numbers(rest, 1, n)) return fail(problem, at, "end needs N, the passes played");
            if (n[0] != passes()) return fail(problem, at, "end %d after %d passes", n[0], passes());
            if (!demo.keys.empty() && demo.keys.back().pass > passes())
                return fail(problem, keys_line, "keys for pass %d, after the last pass",
                            demo.keys.back().pass);
            ended = true;
        } else if (parse_hex(word, 16, sum) && next_word(rest).empty()) {
            if (passes() == INT32_MAX) return fail(problem, at, "more than %d passes", INT32_MAX);
            demo.checksums.push_back(sum);
        } else {
            return fail(problem, at, "not a demo line");
        }
    }
    if (problem.line != 0) return false;
    if (!has_player || !has_next)
        return fail(problem, 1, "no %s line before the passes", has_player ? "next box" : "tp");
    if (!ended) return fail(problem, lines.number, "no end line: the file is cut short");

    // A number names one box: each is below the next box's number (any, once the numbers are used up).
    std::vector<int32_t> order(demo.boxes.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int32_t(i);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return demo.boxes[size_t(a)].number < demo.boxes[size_t(b)].number;
    });
    for (size_t i = 0; i < order.size(); ++i) {
        const DemoBox& box = demo.boxes[size_t(order[i])];
        if (i > 0 && demo.boxes[size_t(order[i - 1])].number == box.number)
            return fail(problem, box_lines[size_t(order[i])], "box %d given twice", box.number);
        if (demo.next_number != 0 && box.number >= demo.next_number)
            return fail(problem, box_lines[size_t(order[i])], "box %d is not below next box %d", box.number,
                        demo.next_number);
    }
    return true;
}

int64_t demo_keys_line_bytes(int32_t pass) {
    return 5 + digits(pass) + 1 + 4 + 1;  // at most four letters
}

int64_t demo_typed_line_bytes(int32_t pass, std::string_view line) {
    int64_t bytes = 6 + digits(pass) + 1 + 1;
    for (const char c : line)
        bytes += escaped(uint8_t(c)) ? 4 : 1;
    return bytes;
}

void demo_write(std::string& text, const Demo& demo) {
    char line[128];
    const auto add = [&](const char* format, auto... values) {
        std::snprintf(line, sizeof line, format, values...);
        text += line;
    };
    add("%.*s\ntp %d %d\nnext box %d\n", int(demo_file_header.size()), demo_file_header.data(), demo.player_x,
        demo.player_y, demo.next_number);
    for (const DemoBox& box : demo.boxes)
        add("box %d at %d %d %d %d\n", box.number, box.x, box.y, box.w, box.h);
    size_t key = 0, typed = 0;
    const auto typed_in = [&](int32_t pass) {
        for (; typed < demo.typed.size() && demo.typed[typed].pass == pass; ++typed) {
            add("typed %d ", pass);
            for (const char c : demo.typed[typed].line) {
                if (escaped(uint8_t(c)))
                    add("\\x%02x", unsigned(uint8_t(c)));
                else
                    text += c;
            }
            text += '\n';
        }
    };
    typed_in(0);
    const auto passes = int32_t(demo.checksums.size());
    for (int32_t pass = 1; pass <= passes; ++pass) {
        if (key < demo.keys.size() && demo.keys[key].pass == pass) {
            char held[5] = "-";
            int32_t letters = 0;
            for (int32_t bit = 0; bit < 4; ++bit)
                if ((demo.keys[key].arrows >> bit & 1) != 0) held[letters++] = arrow_letters[bit];
            held[std::max(letters, 1)] = 0;
            add("keys %d %s\n", pass, held);
            ++key;
        }
        add("%016llx\n", static_cast<unsigned long long>(demo.checksums[size_t(pass - 1)]));
        typed_in(pass);
    }
    add("end %d\n", passes);
}

}  // namespace novra
