#include "testing/testing_faults.h"

#include <platform_testing.h>

#include <string>
#include <unordered_map>

struct FaultState {
  unsigned count = 0;
  unsigned skip = 0;
  unsigned times = 0;
  HRESULT code = S_OK;
};

namespace {

struct Registry {
  // Node-based: a FaultState's address never changes once it is in the map.
  std::unordered_map<std::string, FaultState> states;
  int remoteSession = -1;
  int messageBoxAnswer = 0;
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

FaultSite::FaultSite(const char* call) : m_state(&GetRegistry().states[call]) {}

HRESULT FaultSite::Hit() {
  ++m_state->count;
  if (m_state->times == 0) return S_OK;
  if (m_state->skip > 0) {
    --m_state->skip;
    return S_OK;
  }
  --m_state->times;
  return m_state->code;
}

int RemoteSessionOverride() { return GetRegistry().remoteSession; }

int MessageBoxAnswerOverride() { return GetRegistry().messageBoxAnswer; }

namespace PlatformTesting {

void FailCall(const char* call, HRESULT hr, unsigned skip, unsigned times) {
  FaultState& state = GetRegistry().states[call];
  state.code = hr;
  state.skip = skip;
  state.times = times;
}

unsigned CallCount(const char* call) {
  auto& states = GetRegistry().states;
  auto it = states.find(call);
  return it == states.end() ? 0 : it->second.count;
}

void SetRemoteSession(int value) { GetRegistry().remoteSession = value; }

void SetMessageBoxAnswer(int answer) { GetRegistry().messageBoxAnswer = answer; }

void Reset() {
  Registry& registry = GetRegistry();
  for (auto& entry : registry.states) entry.second = FaultState();
  registry.remoteSession = -1;
  registry.messageBoxAnswer = 0;
}

}  // namespace PlatformTesting
