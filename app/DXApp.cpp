#include <morvane/DXApp.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>
#include <morvane/SwapChain.h>

namespace {

const char kClassName[] = "DXAppWnd";
const DWORD kWindowStyle = WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
// lParam of WM_SYSKEYDOWN: the key came with Alt held.
const long kAltHeld = 1L << 29;
const DWORD kPausedSleep = 50;
const DWORD kOccludedSleep = 1;

}  // namespace

DXApp::DXApp() : m_pDevice(nullptr), m_pSwapChain(nullptr), m_hWnd(nullptr), m_bPaused(false), m_bActive(false) {}

DXApp::~DXApp() {
  delete m_pSwapChain;
  delete m_pDevice;
}

void DXApp::CreateAppWnd(const STMode& mode, HINSTANCE__* const instance, const StringEX& title,
                         HICON__* const icon) {
  WNDCLASSA windowClass = {};
  windowClass.style = 0;
  windowClass.lpfnWndProc = &DXApp::AppWndProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  SetCursor(windowClass.hCursor);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassA(&windowClass)) return;

  m_hWnd = CreateWindowExA(0, kClassName, title.c_str(), kWindowStyle, 0, 0, static_cast<int>(mode.Width),
                           static_cast<int>(mode.Height), nullptr, nullptr, instance, this);
  UpdateWindow(m_hWnd);

  Core::Log()->WriteLine("Create Device", 4);
  m_pDevice = new GraphicsDevice(mode.Adapter, false);
  Core::Log()->WriteLine("Create SwapChain", 4);
  m_pSwapChain = new SwapChain(m_pDevice, mode, m_hWnd);

  IDXGIFactory* factory = Core::Factory();
  if (!factory || FAILED(factory->MakeWindowAssociation(m_hWnd, DXGI_MWA_NO_WINDOW_CHANGES | DXGI_MWA_NO_ALT_ENTER)))
    Core::Log()->Error("MakeWindowAssociation failed");
}

long DXApp::AppWndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam) {
  if (message == WM_NCCREATE) {
    const CREATESTRUCTA* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcA(window, message, wParam, lParam);
  }
  DXApp* app = reinterpret_cast<DXApp*>(GetWindowLongA(window, GWL_USERDATA));
  if (app) return app->WndProc(window, message, wParam, lParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

long DXApp::WndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam) {
  switch (message) {
    case WM_SIZE:
      if (m_pSwapChain) m_pSwapChain->ResizeBuffers();
      break;
    case WM_EXITSIZEMOVE:
      CheckSizeChanged();
      break;
    case WM_PAINT:
      Render();
      break;
    case WM_CLOSE:
    case WM_QUIT:
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATEAPP:
      m_bActive = wParam != 0;
      break;
    case WM_NCHITTEST:
      if (m_pSwapChain && !m_pSwapChain->GetMode().Windowed) return HTCLIENT;
      break;
    case WM_GETDLGCODE:
      return DLGC_WANTALLKEYS;
    case WM_SYSKEYDOWN:
      if (wParam == VK_RETURN && (lParam & kAltHeld)) {
        if (m_pSwapChain) m_pSwapChain->ToggleFullScreen();
        return 1;
      }
      break;
    case WM_SYSCOMMAND:
      // The low four bits of the command are the system's own.
      switch (wParam & 0xFFF0) {
        case SC_SIZE:
        case SC_MOVE:
        case SC_MAXIMIZE:
        case SC_KEYMENU:
        case SC_MONITORPOWER:
          return 0;
        default:
          break;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void DXApp::CheckSizeChanged() {
  if (!m_pSwapChain) return;
  RECT client;
  GetClientRect(m_hWnd, &client);
}

void DXApp::Run() {
  MSG message = {};
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
  while (message.message != WM_QUIT) {
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    } else {
      Render();
    }
  }
}

void DXApp::Render() {
  if (!m_pDevice || !m_pSwapChain) return;
  Core::Clock().Update();
  if (m_bPaused) {
    Sleep(kPausedSleep);
  } else {
    UpdateScene();
    if (m_pSwapChain->IsOccluded()) {
      Sleep(kOccludedSleep);
    } else {
      RenderScene();
    }
  }
  m_pSwapChain->Present();
}
