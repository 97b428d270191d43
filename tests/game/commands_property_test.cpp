// The command handler under random lines, each followed by a frame, against the model its fuzz target
// shares: every answer, the player, the boxes, their numbers and the store's entities agree after each.
#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <string>

#include "tests/shared/commands_model.h"

namespace novra {
namespace {

// A line a user might type: a command name (now and then a wrong one) with numbers around the picture,
// at the int32 edges or past them, sometimes one too many or too few, sometimes not a number.
std::string random_line(std::mt19937& random) {
    static const char* const names[] = {"help",  "pos",   "tp",    "reset", "box", "boxes", "rm",
                                        "clear", "spawn", "stats", "quit",  "tpx", "stop",  "play"};
    static const char* const odd_numbers[] = {
        "2147483647", "-2147483648", "2147483648", "-0", "+1", "1x", ""};
    const auto pick = [&](int32_t n) { return int32_t(random() % uint32_t(n)); };
    std::string line = names[pick(int32_t(std::size(names)))];
    const int32_t arguments = pick(6);
    for (int32_t i = 0; i < arguments; ++i) {
        line += pick(4) == 0 ? "  " : " ";
        if (pick(12) == 0)
            line += odd_numbers[pick(7)];
        else
            line += std::to_string(pick(3) == 0 ? pick(40) - 5 : pick(280) - 12);
    }
    return line;
}

TEST(CommandsProperty, RandomLinesAgreeWithTheModel) {
    std::mt19937 random(2026);
    for (int32_t round = 0; round < 30; ++round) {
        commands_model_start();
        CommandsModel model;
        for (int32_t step = 0; step < 80; ++step) {
            const std::string line = random_line(random);
            ASSERT_NO_THROW(commands_model_line(model, line)) << "round " << round << ": " << line;
            ASSERT_NO_THROW(commands_model_frame(model)) << "round " << round << ": " << line;
        }
    }
}

}  // namespace
}  // namespace novra
