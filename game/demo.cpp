#include "game/demo.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/block_list.h"
#include "ecs/ecs.h"
#include "game/box_table.h"
#include "game/command_line.h"
#include "game/demo_file.h"
#include "game/file_text.h"
#include "game/game.h"
#include "game/replies.h"
#include "render/framebuffer.h"

namespace novra {

namespace {

using ChecksumBlock = Block<uint64_t, 4096>;

struct Recording {
    bool on;
    std::string file;
    char shown[104];
    Demo demo;                            // the start, the key changes and the typed lines
    BlockList<uint64_t, 4096> checksums;  // one per pass; grows by 32 KiB blocks, kept between recordings
    int32_t passes;                       // recorded so far
    uint8_t arrows;                       // held in the last pass recorded
    int64_t bytes;                        // what the file will take, as the passes come
};

struct Playback {
    bool on;
    void (*run_line)(const char* line);  // the command handler the typed lines run through
    char shown[104];
    Demo demo;
    int32_t pass;       // passes played
    size_t key, typed;  // the next key change and typed line to take
    uint8_t arrows;
};

Recording recording;
Playback playback;

// A demo stays readable by play, which reads at most what a world file may take; the margin holds the
// last pass's lines and the end line.
constexpr int64_t recording_byte_limit = world_file_size_limit - 64;

// The boxes in the order the entity store keeps them, which the collision test meets them in.
void store_boxes(std::vector<DemoBox>& boxes) {
    boxes.clear();
    if (game.archetype == nullptr) return;
    std::unordered_map<const EntityRecord*, int32_t> numbers;
    numbers.reserve(size_t(box_table.count));
    box_table_each([&](const BoxEntry& entry) {
        numbers.emplace(entry.entity.record, entry.number);
        return true;
    });
    boxes.reserve(size_t(box_table.count));
    for (Chunk* chunk = game.archetype->first_chunk; chunk != nullptr; chunk = chunk->next) {
        auto* const* records = reinterpret_cast<EntityRecord* const*>(chunk_data(chunk));
        for (int32_t row = 0; row < chunk->count; ++row) {
            const auto found = numbers.find(records[row]);
            if (found == numbers.end()) continue;  // queued for removal: flushed before any snapshot
            const BoxView box =
                box_view(BoxEntry{found->second, Entity{records[row], records[row]->generation}});
            boxes.push_back({box.number, box.position.x, box.position.y, box.size.width, box.size.height});
        }
        if (chunk == game.archetype->current_chunk) break;
    }
}

// Puts the demo's world in place of the current one: every box goes, then the demo's are made in its
// store order and numbered as it says. Returns null, or what went wrong (only memory can run out, and
// then part of the world is already gone).
const char* world_set(const Demo& demo) {
    if (!demo.boxes.empty() && game.archetype == nullptr) return "no store for boxes";
    const int64_t old = box_table.count;
    if (box_table_remove_below(INT64_MAX) < old) return "out of memory while removing the boxes";
    entity_flush_removals();
    std::vector<std::pair<int32_t, Entity>> made;
    made.reserve(demo.boxes.size());
    for (const DemoBox& box : demo.boxes) {
        const Entity entity = entity_create(game.archetype);
        if (entity.record == nullptr) return "out of memory";
        *static_cast<Position*>(entity_component(box_table.position, entity)) = Position{box.x, box.y};
        *static_cast<Size*>(entity_component(box_table.size, entity)) = Size{box.w, box.h};
        made.emplace_back(box.number, entity);
    }
    std::sort(made.begin(), made.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [number, entity] : made) {
        box_table.next_number = number;
        if (box_table_add(entity) == 0) return "out of memory";
    }
    box_table.next_number = demo.next_number;
    game.player_x = demo.player_x;
    game.player_y = demo.player_y;
    return nullptr;
}

// ---- Recording ----------------------------------------------------------------------------------

// Writes the recording to its file. On failure the recording goes on, so nothing is lost: the reply says
// why and that another stop tries again.
bool recording_write(const char* name) {
    Demo& demo = recording.demo;
    demo.checksums.clear();
    demo.checksums.reserve(size_t(recording.passes));
    for (ChecksumBlock* block = recording.checksums.first; block != nullptr; block = block->next) {
        demo.checksums.insert(demo.checksums.end(), block->items, block->items + block->count);
        if (block == recording.checksums.current) break;
    }
    std::string text;
    text.reserve(size_t(recording.bytes) + 64);
    demo_write(text, demo);
    FileReply result{};
    game.platform.file_replace(recording.file.c_str(), text.data(), int64_t(text.size()), &result);
    if (!result.ok) {
        refuse("%s: %s: %s; still recording, stop again to retry", name, recording.shown, result.reason);
        return false;
    }
    recording.on = false;
    reply("recorded %d pass%s to %s", recording.passes, recording.passes == 1 ? "" : "es", recording.shown);
    return true;
}

void run_record(const char* file, const char* shown) {
    if (game.platform.file_replace == nullptr) {
        refuse("record: files cannot be reached here");
        return;
    }
    if (box_table.count > world_file_box_limit) {
        refuse("record: more than %d boxes, which play refuses", world_file_box_limit);
        return;
    }
    if (recording.checksums.first == nullptr) {
        recording.checksums.first = block_create<uint64_t, 4096>();
        recording.checksums.current = recording.checksums.first;
        if (recording.checksums.first == nullptr) {
            refuse("record: out of memory");
            return;
        }
    }
    block_rewind(recording.checksums.first, recording.checksums.current);
    // Boxes removed earlier in this pass would still be drawn once more; the demo starts from the world
    // as its file says it, so they go now.
    entity_flush_removals();
    Demo& demo = recording.demo;
    demo = Demo{game.player_x, game.player_y, box_table.next_number, {}, {}, {}, {}};
    store_boxes(demo.boxes);
    demo.keys.reserve(1024);
    std::string start;
    demo_write(start, demo);
    recording.bytes = int64_t(start.size());
    recording.file = file;
    std::snprintf(recording.shown, sizeof recording.shown, "%s", shown);
    recording.passes = 0;
    recording.arrows = 0xFF;  // the first pass always says its keys
    recording.on = true;
    reply("recording to %s", shown);
}

// ---- Playback -----------------------------------------------------------------------------------

enum class Step { played, matched, differs };

// Runs the lines typed in the pass just played (or before the first), as they ran when recorded. A
// recorded quit does not end the program again, and demo commands are never recorded.
void replay_typed() {
    const Demo& demo = playback.demo;
    for (; playback.typed < demo.typed.size() && demo.typed[playback.typed].pass == playback.pass;
         ++playback.typed) {
        const char* line = demo.typed[playback.typed].line.c_str();
        const std::string_view name = split(line).word[0];
        if (name == "quit" || demo_command_name(name)) continue;
        playback.run_line(line);
    }
}

Step playback_step() {
    replay_typed();
    const Demo& demo = playback.demo;
    if (size_t(playback.pass) == demo.checksums.size()) return Step::matched;
    const int32_t pass = ++playback.pass;
    if (playback.key < demo.keys.size() && demo.keys[playback.key].pass == pass)
        playback.arrows = demo.keys[playback.key++].arrows;
    game_pass(playback.arrows);
    return framebuffer_checksum() == demo.checksums[size_t(pass - 1)] ? Step::played : Step::differs;
}

void differs_line(char* line, size_t capacity) {
    const int32_t pass = playback.pass;
    std::snprintf(line, capacity, "%s: pass %d differs (picture 0x%016llx expected 0x%016llx)",
                  playback.shown, pass, static_cast<unsigned long long>(framebuffer_checksum()),
                  static_cast<unsigned long long>(playback.demo.checksums[size_t(pass - 1)]));
}

// Reads and checks FILE, then sets the world to the demo's start. Refuses (false, `why` filled with the
// words after the command's name) with the world unchanged when FILE cannot be read or is not a demo.
bool playback_start(const char* file, const char* shown, void (*run_line)(const char* line),
                    char (&why)[file_text_reason_size]) {
    FileText text;
    if (!file_text_read(file, shown, text, why)) return false;
    FileProblem problem{};
    if (!demo_parse(text.text, playback.demo, problem)) {
        std::snprintf(why, sizeof why, "%s:%d: %s", shown, problem.line, problem.what);
        return false;
    }
    if (const char* failure = world_set(playback.demo)) {
        std::snprintf(why, sizeof why, "%s: %s", shown, failure);
        return false;
    }
    std::snprintf(playback.shown, sizeof playback.shown, "%s", shown);
    playback.run_line = run_line;
    playback.pass = 0;
    playback.key = 0;
    playback.typed = 0;
    playback.arrows = 0;
    playback.on = true;
    return true;
}

std::string grouped(int64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// Plays the demo started to its end or first differing picture at once, its replies unshown.
DemoVerdict play_fast(char* line, size_t capacity) {
    void (*const log)(const char*) = game.platform.log;
    game.platform.log = nullptr;
    const int64_t start = game.platform.clock_us != nullptr ? game.platform.clock_us() : 0;
    Step step = Step::played;
    while (step == Step::played)
        step = playback_step();
    const int64_t took = game.platform.clock_us != nullptr ? game.platform.clock_us() - start : 0;
    game.platform.log = log;
    playback.on = false;
    if (step == Step::differs) {
        differs_line(line, capacity);
        return DemoVerdict::differs;
    }
    const int64_t passes = playback.pass;
    const int64_t rate = passes * 1000000 / std::max<int64_t>(took, 1);
    std::snprintf(line, capacity, "%s: %s passes in %lld ms, %s passes/s, every picture matched",
                  playback.shown, grouped(passes).c_str(), static_cast<long long>(took / 1000),
                  grouped(rate).c_str());
    return DemoVerdict::matched;
}

// ---- Commands -----------------------------------------------------------------------------------

struct DemoCommand {
    const char* name;
    const char* syntax;
    const char* what;
    void (*run)(const char* file, const char* shown);
};

// The command handler demo_command was given, which a demo's typed lines run through.
void (*demo_run_line)(const char* line);

void run_stop(const char*, const char*) {
    if (recording.on) {
        recording_write("stop");
    } else if (playback.on) {
        playback.on = false;
        reply("stopped at pass %d of %zu", playback.pass, playback.demo.checksums.size());
    } else {
        refuse("stop: no demo records or plays");
    }
}

void run_play(const char* file, const char* shown) {
    char why[file_text_reason_size];
    if (!playback_start(file, shown, demo_run_line, why)) {
        refuse("play: %s", why);
        return;
    }
    reply("playing %s: %zu passes", shown, playback.demo.checksums.size());
}

void run_timedemo(const char* file, const char* shown) {
    char why[file_text_reason_size];
    if (!playback_start(file, shown, demo_run_line, why)) {
        refuse("timedemo: %s", why);
        return;
    }
    char line[512];
    play_fast(line, sizeof line);
    reply("%s", line);
}

constexpr DemoCommand demo_commands[] = {
    {"record", "record FILE", "records the passes from the next one on, until stop writes them to FILE",
     run_record},
    {"stop", "stop", "ends the recording, writing its FILE, or ends the demo playing", run_stop},
    {"play", "play FILE", "puts the world back to the demo's start and plays it, comparing every picture",
     run_play},
    {"timedemo", "timedemo FILE", "plays the demo as fast as it goes and says how fast", run_timedemo},
};

}  // namespace

bool demo_command_name(std::string_view name) {
    return name == "record" || name == "stop" || name == "play" || name == "timedemo";
}

bool demo_command(std::string_view name, void (*run_line)(const char* line)) {
    for (const DemoCommand& command : demo_commands) {
        if (name != command.name) continue;
        const std::string_view file = line_rest(name);
        const bool takes_file = command.run != run_stop;
        if (file.empty() == takes_file) {
            refuse("usage: %s", command.syntax);
            return true;
        }
        if (takes_file && (recording.on || playback.on)) {
            refuse("%s: not while %s %s (type stop)", command.name, recording.on ? "recording" : "playing",
                   recording.on ? recording.shown : playback.shown);
            return true;
        }
        char shown[104];
        printable_word(file, 100, shown);
        demo_run_line = run_line;
        command.run(std::string(file).c_str(), shown);
        return true;
    }
    return false;
}

const char* demo_command_at(int32_t& index) {
    if (index < int32_t(std::size(demo_commands))) return demo_commands[index].name;
    index -= int32_t(std::size(demo_commands));
    return nullptr;
}

void demo_commands_help() {
    for (const DemoCommand& command : demo_commands)
        reply("%s: %s", command.syntax, command.what);
}

bool demo_typed_line(const char* line) {
    const std::string_view name = split(line).word[0];
    if (name.empty()) return false;
    if (playback.on) {
        if (name == "stop" || name == "help" || name == "pos" || name == "boxes" || name == "stats" ||
            name == "quit")
            return false;
        char shown[40];
        printable_word(name, 32, shown);
        refuse("%s: not while playing %s: only stop, help, pos, boxes, stats and quit are taken", shown,
               playback.shown);
        return true;
    }
    if (!recording.on || demo_command_name(name) || recording.bytes > recording_byte_limit) return false;
    const int64_t bytes = demo_typed_line_bytes(recording.passes, line);
    // Longer than the console's 256 code units give: only a caller other than the console sends one.
    if (bytes > demo_file_line_limit) {
        refuse("record: a line of more than %d bytes as written cannot be recorded", demo_file_line_limit);
        return true;
    }
    if (recording.bytes + bytes > recording_byte_limit) {
        // The line runs, unrecorded, after the recording has been written.
        reply("record: %s has reached the most a demo may hold", recording.shown);
        recording_write("record");
        return false;
    }
    recording.demo.typed.push_back({recording.passes, line});
    recording.bytes += bytes;
    return false;
}

bool demo_refuses(std::string_view name) {
    if (!recording.on && !playback.on) return false;
    refuse("%.*s: not while a demo %s (type stop)", int(name.size()), name.data(),
           recording.on ? "records" : "plays");
    return true;
}

bool demo_play_pass() {
    if (!playback.on) return false;
    switch (playback_step()) {
        case Step::played:
            return true;
        case Step::matched:
            playback.on = false;
            reply("%s: %d passes, every picture matched", playback.shown, playback.pass);
            return false;
        case Step::differs: {
            playback.on = false;
            char line[512];
            differs_line(line, sizeof line);
            reply("%s", line);
            return true;
        }
    }
    return false;
}

void demo_record_pass(uint8_t arrows) {
    // A recording at its size limit whose file could not be written waits for stop to try again.
    if (!recording.on || recording.bytes > recording_byte_limit) return;
    const int32_t pass = recording.passes + 1;
    uint64_t* slot = block_append(recording.checksums.current);
    if (slot == nullptr) {
        reply("record: out of memory at pass %d", pass);
        recording_write("record");
        return;
    }
    *slot = framebuffer_checksum();
    if (arrows != recording.arrows) {
        recording.demo.keys.push_back({pass, arrows});
        recording.arrows = arrows;
        recording.bytes += demo_keys_line_bytes(pass);
    }
    recording.passes = pass;
    recording.bytes += demo_checksum_line_bytes;
    if (recording.bytes > recording_byte_limit) {
        reply("record: %s has reached the most a demo may hold", recording.shown);
        recording_write("record");
    }
}

DemoVerdict demo_verify(const char* file, void (*run_line)(const char* line), char* line, size_t capacity) {
    char shown[104];
    printable_word(file, 100, shown);
    char why[file_text_reason_size];
    if (!playback_start(file, shown, run_line, why)) {
        std::snprintf(line, capacity, "verify: %s", why);
        return DemoVerdict::refused;
    }
    return play_fast(line, capacity);
}

void demo_close() {
    if (recording.on) recording_write("record");
}

void demo_reset() {
    recording.on = false;
    playback.on = false;
}

}  // namespace novra
