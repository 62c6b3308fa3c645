// Frames per second of an empty application frame loop (messages, clock,
// UpdateScene, RenderScene doing nothing, present without v-sync) against a
// bare SDL2 + OpenGL loop that clears and swaps a window of the same size.
// Both need a display: run under xvfb-run (make bench does so without one).
#include <benchmark/benchmark.h>

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdlib>

#include <morvane/Morvane.h>

#include "bench_ratio.h"

namespace {

// The client area of the default mode's window.
const int kWidth = 1016;
const int kHeight = 760;

bool HasDisplay() { return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"); }

class EmptyApp : public DXApp {};

}  // namespace

static void BM_BareSdlGlLoop(benchmark::State& state) {
  if (!HasDisplay() || SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    state.SkipWithError("needs a display");
    return;
  }
  SDL_Window* window = SDL_CreateWindow("baseline", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
  if (!context) {
    state.SkipWithError(SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return;
  }
  SDL_GL_SetSwapInterval(0);
  glViewport(0, 0, kWidth, kHeight);
  float shade = 0.0f;
  for (auto _ : state) {
    SDL_PumpEvents();
    shade = shade > 1.0f ? 0.0f : shade + 0.01f;
    glClearColor(shade, 0.2f, 0.3f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    SDL_GL_SwapWindow(window);
  }
  glFinish();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}
BENCHMARK(BM_BareSdlGlLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

static void BM_EmptyFrameLoop(benchmark::State& state) {
  if (!HasDisplay()) {
    state.SkipWithError("needs a display");
    return;
  }
  Core::Init();
  {
    STMode mode;
    mode.Default();
    EmptyApp app;
    app.CreateAppWnd(mode, nullptr, "frame loop", nullptr);
    MSG message = {};
    for (auto _ : state) {
      // One pass of Run: every waiting message, then one frame.
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
      app.Render();
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    DestroyWindow(app.GetHWND());
  }
  UnregisterClassA("DXAppWnd", nullptr);
  Core::Cleanup();
}
BENCHMARK(BM_EmptyFrameLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

// Frame times on a shared machine drift: for a steady figure run with
// --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true,
// and the ratio of the medians is printed too.
int main(int argc, char** argv) {
  return RunWithRatios(argc, argv,
                       {{"BM_EmptyFrameLoop/real_time", "BM_BareSdlGlLoop/real_time"},
                        {"BM_EmptyFrameLoop/real_time_median", "BM_BareSdlGlLoop/real_time_median"}});
}
