// Saving a world can be cut off anywhere: every file call the simulation serves failing in turn, and the
// process killed while it saves. The file is always the old world or the new one, whole, and a failed
// save leaves no temporary file behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "game/box_table.h"
#include "game/commands.h"
#include "host/host.h"
#include "platform/sim/driver.h"
#include "tests/shared/game_with_files.h"

namespace novra {
namespace {

std::vector<std::string> folder_names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

struct WorldSave : testing::Test {
    std::string folder, path;
    void SetUp() override {
        folder =
            (std::filesystem::temp_directory_path() / ("novra_save_" + std::to_string(getpid()))).string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        path = folder + "/level one.txt";
        sim_reset(DriverHooks{}, false);
        game_open_with_files();
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::vector<std::string> run(const std::string& line) { return replies_to(game_command, line); }
};

using Lines = std::vector<std::string>;

// Catches a failure of any one call ignored (a torn or empty file reported as saved), a failed save that
// has already replaced the file, and a temporary file left behind; for load, a read failure taken as an
// empty or short file.
TEST_F(WorldSave, EachFileCallFailingInTurnLeavesTheOldFileAndNoTemporaryOne) {
    run("box 100 100 5 5");
    ASSERT_EQ(run("save " + path), Lines{"saved the player and 2 boxes to " + path});
    const std::string old_text = file_text(path);
    run("tp 200 150");
    run("spawn 3000");
    sim_reset(DriverHooks{}, false);
    ASSERT_EQ(run("save " + folder + "/measure.txt").size(), 1u);
    const uint64_t save_calls = sim_file_calls();
    std::filesystem::remove(folder + "/measure.txt");
    ASSERT_GE(save_calls, 5u);  // create, write, flush, close, move
    for (uint64_t call = 1; call <= save_calls; ++call) {
        SCOPED_TRACE(call);
        sim_reset(DriverHooks{}, false);
        sim_fail_file_call(call, ERROR_DISK_FULL);
        EXPECT_EQ(run("save " + path), Lines{"save: " + path + ": No space left on device"});
        EXPECT_EQ(file_text(path), old_text);
        EXPECT_EQ(folder_names(folder), Lines{"level one.txt"});
    }
    // Loading: each read call failing in turn refuses the file and keeps the world.
    sim_reset(DriverHooks{}, false);
    ASSERT_EQ(run("load " + path), Lines{"loaded the player and 2 boxes from " + path});
    const uint64_t load_calls = sim_file_calls();
    run("spawn 10");
    for (uint64_t call = 1; call <= load_calls; ++call) {
        SCOPED_TRACE(call);
        sim_reset(DriverHooks{}, false);
        sim_fail_file_call(call, ERROR_IO_DEVICE);
        EXPECT_EQ(run("load " + path), Lines{"load: " + path + ": Input/output error"});
        EXPECT_EQ(box_table.count, 12);
    }
}

// Catches a save that writes the file in place, or renames before the data is whole: a kill in the
// middle would leave a torn file. The child saves two 100,000-box worlds in turn; killed at random
// moments, the file is always one of the three worlds it can hold, byte for byte, each of which loads.
TEST_F(WorldSave, AProcessKilledWhileSavingLeavesTheOldWorldOrTheNew) {
    run("tp 5 5");
    ASSERT_EQ(run("save " + path).size(), 1u);
    const std::string small_world = file_text(path);
    run("clear");
    run("tp 0 -100");
    for (int32_t i = 0; i < 100000; ++i) {
        int32_t number = 0;
        ASSERT_EQ(box_create(i % 1000, i / 1000, 1, 1, number), BoxMade::box);
    }
    const std::string first = folder + "/first", second = folder + "/second";
    ASSERT_EQ(run("save " + first).size(), 1u);
    run("tp 1 -100");
    ASSERT_EQ(run("save " + second).size(), 1u);
    const std::string worlds[] = {small_world, file_text(first), file_text(second)};
    std::mt19937 random(7);
    int32_t found[3] = {};
    for (int32_t round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << small_world;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) {
                game_command("tp 0 -100");
                game_command(("save " + path).c_str());
                game_command("tp 1 -100");
                game_command(("save " + path).c_str());
            }
        }
        // Killed once the saves have begun to change the file, at a random moment of the ones after.
        std::error_code error;
        for (int32_t wait = 0; wait < 5000; ++wait) {
            if (std::filesystem::file_size(path, error) != small_world.size()) break;
            usleep(1000);
        }
        usleep(useconds_t(random() % 150000));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        const std::string text = file_text(path);
        int32_t which = -1;
        for (int32_t i = 0; i < 3; ++i)
            if (text == worlds[i]) which = i;
        ASSERT_NE(which, -1) << "a torn file of " << text.size() << " bytes";
        ++found[which];
    }
    // Each of them loads (here, after the children: a load would change the world they save).
    for (const std::string& world : worlds) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << world;
        ASSERT_EQ(run("load " + path).at(0).rfind("loaded the player and ", 0), 0u);
    }
    std::printf("after the kills: old world %d times, new worlds %d and %d times\n", found[0], found[1],
                found[2]);
}

}  // namespace
}  // namespace novra
