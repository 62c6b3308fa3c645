// One instrumented platform call: counts its uses and fails when a test asks.
#pragma once

#include <windows.h>

struct FaultState;

class FaultSite {
 public:
  explicit FaultSite(const char* call);

  // Counts the call; the injected failure code when one is due, else S_OK.
  HRESULT Hit();

 private:
  FaultState* m_state;
};

// The remote-session override of the tests, or -1 when none is set.
int RemoteSessionOverride();

// The message-box answer of the tests, or 0 when boxes are real.
int MessageBoxAnswerOverride();
