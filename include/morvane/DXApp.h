// DXApp: the base class of a host application. It opens the main window,
// creates the graphics device and the swap chain for a display mode and runs
// the frame loop; the host overrides UpdateScene and RenderScene.
#pragma once

#include <windows.h>

#include "STMode.h"
#include "StringEX.h"

class GraphicsDevice;
class SwapChain;

class DXApp {
 public:
  DXApp();
  // Deletes the swap chain (which leaves full screen), then the device. The
  // window is the host's to destroy.
  virtual ~DXApp();
  DXApp(const DXApp&) = delete;
  DXApp& operator=(const DXApp&) = delete;

  // Registers the class "DXAppWnd", opens the window with the mode's size as
  // its outer size, then creates the device and the swap chain. A second
  // call in one process finds the class registered and does nothing.
  void CreateAppWnd(const STMode& mode, HINSTANCE__* const instance, const StringEX& title, HICON__* const icon);
  // Pumps messages and renders a frame whenever none is waiting, until
  // WM_QUIT arrives.
  void Run();
  // One frame: clock, UpdateScene and RenderScene unless paused (and
  // RenderScene unless occluded), then present. Nothing until both device and
  // swap chain exist.
  void Render();

  virtual long WndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam);
  virtual void UpdateScene() {}
  virtual void RenderScene() {}

  GraphicsDevice* GetDevice() const { return m_pDevice; }
  SwapChain* GetSwapChain() const { return m_pSwapChain; }
  HWND__* GetHWND() const { return m_hWnd; }

 protected:
  // The window procedure of the class: routes messages to the DXApp stored
  // in the window's user data at WM_NCCREATE.
  static long AppWndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam);
  // Reads the client rectangle when there is a swap chain.
  void CheckSizeChanged();

 private:
  GraphicsDevice* m_pDevice;
  SwapChain* m_pSwapChain;
  HWND m_hWnd;

 protected:
  bool m_bPaused;  // skip UpdateScene and RenderScene, sleeping 50 ms per frame
  bool m_bActive;  // from WM_ACTIVATEAPP
};
