// Core: the process-wide services of the engine (logger, clock, DXGI factory,
// adapter list, root directory), created by Init and destroyed by Cleanup.
#pragma once

#include <vector>

#include <windows.h>
#include <dxgi.h>

#include "AdapterInfo.h"
#include "Clock.h"
#include "Logger.h"
#include "StringEX.h"

class Core {
 public:
  static Core* s_pCore;

  // Creates the services; the accessors below need Init to have run.
  static void Init();
  // Destroys the services; without an instance it does nothing.
  static void Cleanup();

  // The engine never deletes the logger; it must live until replaced or Cleanup.
  static void SetLogger(ILogger* logger);
  static ILogger* Log();
  static CClock& Clock();
  static IDXGIFactory* Factory();
  static const std::vector<AdapterInfo>& Adapters();
  static StringEX GetRoot();

 private:
  Core();
  ~Core();
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  void EnumAdapters(bool outputs, bool modes);

  IDXGIFactory* m_pFactory;
  ILogger* m_pLogger;
  DoNothingLogger m_DefaultLogger;
  CClock m_Clock;
  std::vector<AdapterInfo> m_Adapters;
  StringEX m_Root;
};

// The system's message text for a result code, line end included; empty when
// the system has none.
StringEX GetErrorText(HRESULT hr);
