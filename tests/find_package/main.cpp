// A host program built against the installed package: it initialises the
// engine, reads its services and shuts it down.
#include <morvane/Morvane.h>

#include <cstdio>

int main() {
  Core::Init();
  if (!Core::s_pCore) return 1;
  std::printf("root %s, %zu adapter(s)\n", Core::GetRoot().c_str(), Core::Adapters().size());
  Core::Clock().Update();
  Core::Cleanup();
  return Core::s_pCore == nullptr ? 0 : 1;
}
