// Test-only inspection and fault injection for the platform layer.
// Calls are named "Interface::Method" ("IDXGIOutput::GetDisplayModeList")
// or by their function name ("CreateDXGIFactory").
#pragma once

#include "windows.h"

namespace PlatformTesting {

// The named call succeeds `skip` more times, then fails with `hr` `times` times.
void FailCall(const char* call, HRESULT hr, unsigned skip = 0, unsigned times = 1);

// How often the named call was made since the last Reset.
unsigned CallCount(const char* call);

// Overrides the answer of GetSystemMetrics(SM_REMOTESESSION); -1 restores the real one.
void SetRemoteSession(int value);

// Makes MessageBoxA answer at once with `answer` (writing the box to stderr
// as it does without a display) instead of waiting for a user; 0 restores
// real boxes.
void SetMessageBoxAnswer(int answer);

// Clears every pending fault, every counter and every override.
void Reset();

}  // namespace PlatformTesting
