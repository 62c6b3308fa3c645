#include <morvane/Input.h>

#include <dinput.h>

#include <SDL.h>

#include "AppTestSupport.h"

namespace {

using InputTest = AppFixture;
using InputDisplayTest = AppFixture;

void PushButton(Uint32 type, Uint8 button) {
  SDL_Event event = {};
  event.type = type;
  event.button.button = button;
  SDL_PushEvent(&event);
}

TEST_F(InputTest, WithoutAMouseOnlyCreationIsLogged) {
  SKIP_WITH_DISPLAY_SERVER();
  HWND window = CreatePlainWindow(64, 64);
  Input input(window, nullptr);
  EXPECT_EQ((std::vector<std::string>{"Can't create mouse device: " + std::string(GetErrorText(DIERR_DEVICENOTREG))}),
            log.Texts(RecordingLogger::kError));
  input.Update();
  EXPECT_EQ(1u, log.entries.size());
  EXPECT_EQ(0, input.GetMouseDX());
  EXPECT_EQ(0, input.GetMouseButton(MOUSE_LEFT));
  EXPECT_EQ(window, input.GetHWnd());
}

TEST_F(InputDisplayTest, EachCreationStepLogsItsFailureDisplay) {
  SKIP_WITHOUT_TEST_DISPLAY();
  HWND window = CreatePlainWindow(64, 64);
  const struct {
    const char* call;
    const char* line;
  } steps[] = {
      {"DirectInput8Create", "Can't create DirectInput: "},
      {"IDirectInput8::CreateDevice", "Can't create mouse device: "},
      {"IDirectInputDevice8::SetDataFormat", "Error@m_pMouseDevice->SetDataFormat(): "},
      {"IDirectInputDevice8::SetCooperativeLevel", "Error@m_pMouseDevice->SetCooperativeLevel(): "},
      {"IDirectInputDevice8::Acquire", "Error@m_pMouseDevice->Acquire(): "},
  };
  for (const auto& step : steps) {
    log.entries.clear();
    PlatformTesting::FailCall(step.call, E_ACCESSDENIED);
    Input input(window, nullptr);
    EXPECT_EQ((std::vector<std::string>{step.line + std::string(GetErrorText(E_ACCESSDENIED))}),
              log.Texts(RecordingLogger::kError))
        << step.call;
    PlatformTesting::Reset();
  }
  log.entries.clear();
  Input working(window, nullptr);
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InputDisplayTest, ButtonStateMachineDisplay) {
  SKIP_WITHOUT_TEST_DISPLAY();
  Input input(CreatePlainWindow(64, 64), nullptr);
  auto update = [&input]() {
    input.Update();
    return static_cast<int>(input.GetMouseButton(MOUSE_LEFT));
  };
  // Held over three frames, then released.
  PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  EXPECT_EQ(3, update());
  EXPECT_EQ(1, update());
  EXPECT_EQ(1, update());
  PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
  EXPECT_EQ(4, update());
  EXPECT_EQ(0, update());
  // Pressed again in the frame after a release: went-up stays until it is up again.
  PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  EXPECT_EQ(3, update());
  PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
  EXPECT_EQ(4, update());
  PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
  EXPECT_EQ(7, update());
  EXPECT_EQ(5, update());
  PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
  EXPECT_EQ(4, update());
  EXPECT_EQ(0, update());

  PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X1);
  input.Update();
  EXPECT_EQ(3, input.GetMouseButton(MOUSE_BUTTON4));
  // The mouse format has four buttons; the others never go down.
  PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_X2);
  input.Update();
  EXPECT_EQ(0, input.GetMouseButton(MOUSE_BUTTON5));
  EXPECT_EQ(0, input.GetMouseButton(static_cast<MOUSEBUTTON>(7)));
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(InputDisplayTest, FailedReadKeepsTheLastMovementDisplay) {
  SKIP_WITHOUT_TEST_DISPLAY();
  Input input(CreatePlainWindow(64, 64), nullptr);
  SDL_Event event = {};
  event.type = SDL_MOUSEMOTION;
  event.motion.xrel = 7;
  event.motion.yrel = 2;
  SDL_PushEvent(&event);
  event = {};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = -1;
  SDL_PushEvent(&event);
  input.Update();
  EXPECT_EQ(7, input.GetMouseDX());
  EXPECT_EQ(2, input.GetMouseDY());
  EXPECT_EQ(-120, input.GetMouseDZ());

  PlatformTesting::FailCall("IDirectInputDevice8::GetDeviceState", DIERR_INPUTLOST, 0, 2);
  input.Update();
  input.Update();
  EXPECT_EQ(7, input.GetMouseDX());
  EXPECT_EQ(-120, input.GetMouseDZ());
  std::string line = "Failed to get mouse state: " + std::string(GetErrorText(DIERR_INPUTLOST));
  EXPECT_EQ((std::vector<std::string>{line, line}), log.Texts(RecordingLogger::kError));
  input.Update();
  EXPECT_EQ(0, input.GetMouseDX());
}

}  // namespace
