#include <dinput.h>

#include <SDL.h>

#include "com/com_object.h"
#include "platform_test.h"
#include "win32/win32_window.h"

namespace {

using DirectInput = PlatformTest;

ComPtr<IDirectInput8A> CreateDirectInput() {
  ComPtr<IDirectInput8A> input;
  EXPECT_EQ(DI_OK, DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A,
                                      reinterpret_cast<void**>(input.ReleaseAndGetAddressOf()), nullptr));
  return input;
}

TEST_F(DirectInput, CreationChecksVersionInterfaceAndAggregation) {
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(DIERR_OLDDIRECTINPUTVERSION, DirectInput8Create(nullptr, 0x0700, IID_IDirectInput8A, &out, nullptr));
  EXPECT_EQ(nullptr, out);
  EXPECT_EQ(DIERR_BETADIRECTINPUTVERSION, DirectInput8Create(nullptr, 0x0801, IID_IDirectInput8A, &out, nullptr));
  EXPECT_EQ(DIERR_NOINTERFACE, DirectInput8Create(nullptr, 0x0800, IID_IDirectInputDevice8A, &out, nullptr));
  EXPECT_EQ(DIERR_INVALIDPARAM, DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, nullptr, nullptr));
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  EXPECT_EQ(DIERR_NOAGGREGATION, DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, input.Get()));
  // The published values the engine's messages are looked up by.
  EXPECT_EQ(static_cast<HRESULT>(0x8007000C), DIERR_NOTACQUIRED);
  EXPECT_EQ(static_cast<HRESULT>(0x8007001E), DIERR_INPUTLOST);
  EXPECT_EQ(sizeof(DIMOUSESTATE), c_dfDIMouse.dwDataSize);
  EXPECT_EQ(7u, c_dfDIMouse.dwNumObjs);
}

TEST_F(DirectInput, HeadlessHasNoMouse) {
  SKIP_WITH_DISPLAY_SERVER();
  ComPtr<IDirectInput8A> input = CreateDirectInput();
  IDirectInputDevice8A* mouse = reinterpret_cast<IDirectInputDevice8A*>(1);
  EXPECT_EQ(DIERR_DEVICENOTREG, input->CreateDevice(GUID_SysMouse, &mouse, nullptr));
  EXPECT_EQ(nullptr, mouse);
}

// A mouse on a window of the display, acquired in the background.
class DirectInputDisplay : public PlatformTest {
 protected:
  void SetUp() override {
    if (!HasTestDisplay()) GTEST_SKIP() << "runs under Xvfb with MORVANE_TEST_DISPLAY=1";
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = "MouseTestWnd";
    ASSERT_NE(0, RegisterClassA(&windowClass));
    m_window = CreateWindowExA(0, "MouseTestWnd", "mouse", WS_VISIBLE, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, m_window);
    m_input = CreateDirectInput();
    ASSERT_EQ(DI_OK, m_input->CreateDevice(GUID_SysMouse, m_mouse.ReleaseAndGetAddressOf(), nullptr));
  }
  void TearDown() override {
    m_mouse.Reset();
    if (m_window) DestroyWindow(m_window);
    UnregisterClassA("MouseTestWnd", nullptr);
    PlatformTest::TearDown();
  }

  void Acquire() {
    ASSERT_EQ(DI_OK, m_mouse->SetDataFormat(&c_dfDIMouse));
    ASSERT_EQ(DI_OK, m_mouse->SetCooperativeLevel(m_window, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE));
    ASSERT_EQ(DI_OK, m_mouse->Acquire());
  }

  static void Push(const SDL_Event& event) {
    SDL_Event copy = event;
    ASSERT_EQ(1, SDL_PushEvent(&copy));
  }

  HWND m_window = nullptr;
  ComPtr<IDirectInput8A> m_input;
  ComPtr<IDirectInputDevice8A> m_mouse;
};

TEST_F(DirectInputDisplay, OnlyTheSystemMouse) {
  IDirectInputDevice8A* other = nullptr;
  EXPECT_EQ(DIERR_DEVICENOTREG, m_input->CreateDevice(GUID_XAxis, &other, nullptr));
  EXPECT_EQ(DIERR_NOAGGREGATION, m_input->CreateDevice(GUID_SysMouse, &other, m_input.Get()));
  EXPECT_EQ(DIERR_INVALIDPARAM, m_input->CreateDevice(GUID_SysMouse, nullptr, nullptr));
}

TEST_F(DirectInputDisplay, DataFormatRules) {
  DIOBJECTDATAFORMAT objects[2] = {{&GUID_XAxis, 0, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0},
                                   {nullptr, 4, DIDFT_BUTTON | DIDFT_ANYINSTANCE, 0}};
  struct Case {
    const char* name;
    DIDATAFORMAT format;
    HRESULT expected;
  };
  const DWORD size = sizeof(DIDATAFORMAT), objSize = sizeof(DIOBJECTDATAFORMAT);
  const Case cases[] = {
      {"axis and button", {size, objSize, DIDF_RELAXIS, 8, 2, objects}, DI_OK},
      {"record size", {size - 4, objSize, DIDF_RELAXIS, 8, 2, objects}, DIERR_INVALIDPARAM},
      {"object size", {size, objSize + 4, DIDF_RELAXIS, 8, 2, objects}, DIERR_INVALIDPARAM},
      {"odd data size", {size, objSize, DIDF_RELAXIS, 6, 2, objects}, DIERR_INVALIDPARAM},
      {"axis past the end", {size, objSize, DIDF_RELAXIS, 4, 1, objects}, DI_OK},
      {"button past the end", {size, objSize, DIDF_RELAXIS, 4, 2, objects}, DIERR_INVALIDPARAM},
      {"objects missing", {size, objSize, DIDF_RELAXIS, 8, 2, nullptr}, DIERR_INVALIDPARAM},
      {"too many objects", {size, objSize, DIDF_RELAXIS, 8, 100000, objects}, DIERR_INVALIDPARAM},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, m_mouse->SetDataFormat(&c.format)) << c.name;

  DIOBJECTDATAFORMAT misaligned = {&GUID_YAxis, 2, DIDFT_AXIS | DIDFT_ANYINSTANCE, 0};
  DIDATAFORMAT format = {size, objSize, DIDF_RELAXIS, 8, 1, &misaligned};
  EXPECT_EQ(DIERR_INVALIDPARAM, m_mouse->SetDataFormat(&format));
  // A fourth axis is no mouse's, unless optional.
  DIOBJECTDATAFORMAT fourth = {nullptr, 0, DIDFT_AXIS | DIDFT_MAKEINSTANCE(3), 0};
  format = {size, objSize, DIDF_RELAXIS, 4, 1, &fourth};
  EXPECT_EQ(DIERR_INVALIDPARAM, m_mouse->SetDataFormat(&format));
  fourth.dwType |= DIDFT_OPTIONAL;
  EXPECT_EQ(DI_OK, m_mouse->SetDataFormat(&format));
}

TEST_F(DirectInputDisplay, CooperativeLevelsAndAcquisition) {
  const struct {
    DWORD flags;
    HRESULT expected;
  } cases[] = {
      {DISCL_BACKGROUND | DISCL_NONEXCLUSIVE, DI_OK},
      {DISCL_FOREGROUND | DISCL_EXCLUSIVE, DI_OK},
      {DISCL_BACKGROUND | DISCL_EXCLUSIVE, DIERR_UNSUPPORTED},
      {DISCL_BACKGROUND, DIERR_INVALIDPARAM},
      {DISCL_NONEXCLUSIVE, DIERR_INVALIDPARAM},
      {DISCL_BACKGROUND | DISCL_FOREGROUND | DISCL_NONEXCLUSIVE, DIERR_INVALIDPARAM},
      {DISCL_BACKGROUND | DISCL_NONEXCLUSIVE | 0x100, DIERR_INVALIDPARAM},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, m_mouse->SetCooperativeLevel(m_window, c.flags)) << c.flags;
  EXPECT_EQ(E_HANDLE, m_mouse->SetCooperativeLevel(reinterpret_cast<HWND>(16), DISCL_BACKGROUND | DISCL_NONEXCLUSIVE));

  DIMOUSESTATE state;
  EXPECT_EQ(DIERR_NOTINITIALIZED, m_mouse->Acquire());
  Acquire();
  EXPECT_EQ(S_FALSE, m_mouse->Acquire());
  EXPECT_EQ(DIERR_ACQUIRED, m_mouse->SetDataFormat(&c_dfDIMouse));
  EXPECT_EQ(DIERR_INVALIDPARAM, m_mouse->GetDeviceState(sizeof(state) - 4, &state));
  EXPECT_EQ(DI_OK, m_mouse->Unacquire());
  EXPECT_EQ(DI_NOEFFECT, m_mouse->Unacquire());
  EXPECT_EQ(DIERR_NOTACQUIRED, m_mouse->GetDeviceState(sizeof(state), &state));
}

TEST_F(DirectInputDisplay, StateAddsUpEventsUntilRead) {
  Acquire();
  SDL_Event motion = {};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.xrel = 5;
  motion.motion.yrel = -3;
  Push(motion);
  Push(motion);
  SDL_Event wheel = {};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = 1;
  Push(wheel);
  SDL_Event press = {};
  press.type = SDL_MOUSEBUTTONDOWN;
  press.button.button = SDL_BUTTON_RIGHT;
  Push(press);
  press.button.button = SDL_BUTTON_X1;
  Push(press);

  DIMOUSESTATE state;
  ASSERT_EQ(DI_OK, m_mouse->GetDeviceState(sizeof(state), &state));
  EXPECT_EQ(10, state.lX);
  EXPECT_EQ(-6, state.lY);
  EXPECT_EQ(120, state.lZ);
  EXPECT_EQ(0x00, state.rgbButtons[0]);
  EXPECT_EQ(0x80, state.rgbButtons[1]);
  EXPECT_EQ(0x00, state.rgbButtons[2]);
  EXPECT_EQ(0x80, state.rgbButtons[3]);

  // Movement restarts with every read; held buttons stay held.
  SDL_Event release = {};
  release.type = SDL_MOUSEBUTTONUP;
  release.button.button = SDL_BUTTON_X1;
  Push(release);
  ASSERT_EQ(DI_OK, m_mouse->GetDeviceState(sizeof(state), &state));
  EXPECT_EQ(0, state.lX);
  EXPECT_EQ(0, state.lZ);
  EXPECT_EQ(0x80, state.rgbButtons[1]);
  EXPECT_EQ(0x00, state.rgbButtons[3]);
}

}  // namespace
