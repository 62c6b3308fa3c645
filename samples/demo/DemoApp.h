// The demo application: the demo scene (a turning hexagon from the demo
// effect) behind the animated, skinned model, drawn into the swap chain. The
// window title shows the engine clock's frames per second; P pauses,
// Alt+Enter switches full screen, closing the window quits. Without a
// display the demo renders a fixed number of frames on the headless device
// and writes them as PNG files.
#pragma once

#include <morvane/Morvane.h>

#include "DemoModel.h"
#include "DemoScene.h"

class DemoApp : public DXApp {
 public:
  DemoApp();
  ~DemoApp() override;

  // Compiles the effects and loads the model from dataDirectory; false
  // (logged) on failure.
  bool CreateScene(const StringEX& dataDirectory);

  long WndProc(HWND__* window, unsigned int message, unsigned int wParam, long lParam) override;
  void UpdateScene() override;
  void RenderScene() override;

  // Writes the back buffer as a PNG file.
  bool WriteFrame(const StringEX& fileName);

 private:
  DemoScene* m_pScene;
  DemoModel* m_pModel;
  float m_Time;  // scene time in seconds; stands still while paused
  double m_TitleTime;
};

// Runs the demo on a window of the default mode, or headless when the
// adapters list no output; the process exit code.
int RunDemo(ILogger* log, const StringEX& dataDirectory);
