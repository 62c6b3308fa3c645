// The demo application: a spinning triangle over a slowly changing sky,
// drawn through an effect into the swap chain. The window title shows the
// engine clock's frames per second; P pauses, Alt+Enter switches full
// screen, closing the window quits. Without a display the demo renders a
// fixed number of frames on the headless device and writes them as PNG files.
#pragma once

#include <d3d10.h>
#include <d3d10effect.h>

#include <morvane/Morvane.h>

class DemoApp : public DXApp {
 public:
  DemoApp();
  ~DemoApp() override;

  // Compiles the effect and makes the input layout; false (logged) on failure.
  bool CreateScene();

  long WndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam) override;
  void UpdateScene() override;
  void RenderScene() override;

  // Copies the back buffer into an 8-bit RGBA PNG file.
  bool WriteFrame(const StringEX& fileName);

 private:
  ID3D10Effect* m_pEffect;
  ID3D10EffectTechnique* m_pTechnique;
  ID3D10EffectMatrixVariable* m_pWorldViewProj;
  ID3D10InputLayout* m_pLayout;
  float m_Angle;
  double m_TitleTime;
};

// Runs the demo on a window of the default mode, or headless when the
// adapters list no output; the process exit code.
int RunDemo(ILogger* log);
