// The present step at three window sizes, each as a ratio to 800 x 600 measured in the same run: the
// simulation's StretchDIBits of the 256 x 192 picture into the window's letterbox, (a) handed to a
// driver that scales on its own, as the desktop driver is, uploading the picture to an SDL streaming
// texture (the renderer's scaled draw happens on the GPU, so it is not part of the CPU cost here), and
// (b) drawn into a client bitmap of the window's size, as the scripted driver still does. (a) should
// stay near 1 at every size; (b) grows with the area.
#include <SDL2/SDL.h>
#include <benchmark/benchmark.h>

#include <string>

#include "bench/same_run.h"
#include "game/game.h"
#include "host/host.h"
#include "platform/scripted/scripted.h"
#include "platform/sim/driver.h"
#include "render/framebuffer.h"

namespace novra {
namespace {

constexpr int32_t sizes[][2] = {{800, 600}, {1920, 1080}, {3840, 2160}};

SDL_Texture* texture;  // the driver's texture for the hook below

void texture_upload(const StretchedPicture& picture) {
    SDL_UpdateTexture(texture, nullptr, picture.bits, picture.image_width * int(sizeof(uint32_t)));
}

// The program's window at the largest size; each run presents into the letterbox of its own size.
void program_open(bool driver_scales) {
    ScriptedConfig config;
    config.client_width = sizes[2][0];
    config.client_height = sizes[2][1];
    config.record_calls = false;
    scripted_start(config);
    if (driver_scales) sim_driver().picture_stretched = texture_upload;
    host_reset();
    game_reset();
    host_open(reinterpret_cast<HINSTANCE>(uintptr_t(0x400000)));
    game_frame();
}

void present_at(int32_t width, int32_t height) {
    const Letterbox box = letterbox_fit(width, height);
    present(box.x, box.y, box.width, box.height, framebuffer);
}

void BM_Present(benchmark::State& state) {
    const bool driver_scales = state.range(0) == 0;
    const int32_t width = sizes[state.range(1)][0], height = sizes[state.range(1)][1];
    SDL_Surface* target = SDL_CreateRGBSurfaceWithFormat(0, 64, 64, 32, SDL_PIXELFORMAT_RGB888);
    SDL_Renderer* renderer = SDL_CreateSoftwareRenderer(target);
    texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                framebuffer_width, framebuffer_height);
    if (!texture) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    program_open(driver_scales);
    run_against_limit(
        state, 4, "present", [&] { present_at(width, height); }, "present_800x600",
        [] { present_at(sizes[0][0], sizes[0][1]); });
    state.SetLabel(std::string(driver_scales ? "driver scales" : "client bitmap") + ", " +
                   std::to_string(width) + "x" + std::to_string(height));
    SDL_DestroyTexture(texture);
    SDL_DestroyRenderer(renderer);
    SDL_FreeSurface(target);
}
BENCHMARK(BM_Present)->ArgsProduct({{0, 1}, {0, 1, 2}});

}  // namespace
}  // namespace novra

BENCHMARK_MAIN();
