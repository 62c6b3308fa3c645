#include <morvane/Input.h>

#include <dinput.h>

#include <cstring>

#include <morvane/Core.h>

namespace {

// A button byte reports "pressed" in its high bit.
const unsigned char kPressedBit = 0x80;

// The next flags of a button from its flags and whether it is pressed now.
unsigned char NextButtonState(unsigned char flags, bool pressed) {
  if (pressed) {
    if (flags & MOUSE_DOWN) return flags & ~MOUSE_WENTDOWN;
    return flags | MOUSE_DOWN | MOUSE_WENTDOWN;
  }
  if (flags & MOUSE_DOWN) flags = (flags & ~MOUSE_DOWN) | MOUSE_WENTUP;
  else if (flags & MOUSE_WENTUP) flags &= ~MOUSE_WENTUP;
  return flags & ~MOUSE_WENTDOWN;
}

}  // namespace

Input::Input(HWND__* window, HINSTANCE__* instance)
    : m_hWnd(window), m_pMouseDevice(nullptr), m_pDirectInput(nullptr), m_MouseDX(0), m_MouseDY(0), m_MouseDZ(0) {
  std::memset(m_MouseButtons, 0, sizeof(m_MouseButtons));

  HRESULT hr = DirectInput8Create(instance, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&m_pDirectInput), nullptr);
  if (FAILED(hr)) {
    m_pDirectInput = nullptr;
    Core::Log()->Error("Can't create DirectInput: " + GetErrorText(hr));
    return;
  }
  hr = m_pDirectInput->CreateDevice(GUID_SysMouse, &m_pMouseDevice, nullptr);
  if (FAILED(hr)) {
    m_pMouseDevice = nullptr;
    Core::Log()->Error("Can't create mouse device: " + GetErrorText(hr));
    return;
  }
  hr = m_pMouseDevice->SetDataFormat(&c_dfDIMouse);
  if (FAILED(hr)) {
    Core::Log()->Error("Error@m_pMouseDevice->SetDataFormat(): " + GetErrorText(hr));
    return;
  }
  hr = m_pMouseDevice->SetCooperativeLevel(m_hWnd, DISCL_BACKGROUND | DISCL_NONEXCLUSIVE);
  if (FAILED(hr)) {
    Core::Log()->Error("Error@m_pMouseDevice->SetCooperativeLevel(): " + GetErrorText(hr));
    return;
  }
  hr = m_pMouseDevice->Acquire();
  if (FAILED(hr)) {
    Core::Log()->Error("Error@m_pMouseDevice->Acquire(): " + GetErrorText(hr));
    return;
  }
}

Input::~Input() {
  if (m_pMouseDevice) m_pMouseDevice->Release();
  if (m_pDirectInput) m_pDirectInput->Release();
}

Input& Input::operator=(const Input& other) {
  if (this == &other) return *this;
  if (other.m_pMouseDevice) other.m_pMouseDevice->AddRef();
  if (other.m_pDirectInput) other.m_pDirectInput->AddRef();
  if (m_pMouseDevice) m_pMouseDevice->Release();
  if (m_pDirectInput) m_pDirectInput->Release();
  m_hWnd = other.m_hWnd;
  m_pMouseDevice = other.m_pMouseDevice;
  m_pDirectInput = other.m_pDirectInput;
  m_MouseDX = other.m_MouseDX;
  m_MouseDY = other.m_MouseDY;
  m_MouseDZ = other.m_MouseDZ;
  std::memcpy(m_MouseButtons, other.m_MouseButtons, sizeof(m_MouseButtons));
  return *this;
}

void Input::Update() {
  if (!m_pMouseDevice) return;
  DIMOUSESTATE state;
  HRESULT hr = m_pMouseDevice->GetDeviceState(sizeof(state), &state);
  if (FAILED(hr)) {
    Core::Log()->Error("Failed to get mouse state: " + GetErrorText(hr));
    return;
  }
  m_MouseDX = state.lX;
  m_MouseDY = state.lY;
  m_MouseDZ = state.lZ;
  // The format delivers four buttons; the others read as never pressed.
  for (unsigned int i = 0; i < kButtonCount; ++i) {
    bool pressed = i < sizeof(state.rgbButtons) && (state.rgbButtons[i] & kPressedBit);
    m_MouseButtons[i] = NextButtonState(m_MouseButtons[i], pressed);
  }
}

unsigned char Input::GetMouseButton(MOUSEBUTTON button) const {
  unsigned int index = static_cast<unsigned int>(button);
  return index < kButtonCount ? m_MouseButtons[index] : 0;
}
