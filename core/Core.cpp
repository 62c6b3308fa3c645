#include <morvane/Core.h>

#include <direct.h>

#include <new>

Core* Core::s_pCore = nullptr;

Core::Core() : m_pFactory(nullptr), m_pLogger(&m_DefaultLogger) {
  char directory[255];
  if (_getcwd(directory, sizeof(directory))) m_Root = directory;

  if (FAILED(CreateDXGIFactory(__uuidof(IDXGIFactory), reinterpret_cast<void**>(&m_pFactory)))) {
    m_pFactory = nullptr;
    OutputDebugStringA("Error creating factory");
    return;
  }
  EnumAdapters(true, true);
}

Core::~Core() {
  // The adapters release their interfaces before the factory goes.
  m_Adapters.clear();
  if (m_pFactory) m_pFactory->Release();
}

// A second Init keeps the services that exist: the adapters already listed
// stay valid for every object created from them.
void Core::Init() {
  if (!s_pCore) s_pCore = new (std::nothrow) Core();
}

void Core::Cleanup() {
  delete s_pCore;
  s_pCore = nullptr;
}

void Core::SetLogger(ILogger* logger) { s_pCore->m_pLogger = logger ? logger : &s_pCore->m_DefaultLogger; }

ILogger* Core::Log() { return s_pCore->m_pLogger; }

CClock& Core::Clock() { return s_pCore->m_Clock; }

IDXGIFactory* Core::Factory() { return s_pCore->m_pFactory; }

const std::vector<AdapterInfo>& Core::Adapters() { return s_pCore->m_Adapters; }

StringEX Core::GetRoot() { return s_pCore->m_Root; }

void Core::EnumAdapters(bool outputs, bool modes) {
  m_Adapters.clear();
  if (!m_pFactory) return;
  for (UINT i = 0;; ++i) {
    IDXGIAdapter* adapter = nullptr;
    if (m_pFactory->EnumAdapters(i, &adapter) != S_OK) break;
    m_Adapters.push_back(AdapterInfo(adapter));
    if (outputs) m_Adapters.back().EnumOutputs(modes);
  }
}

StringEX GetErrorText(HRESULT hr) {
  char* buffer = nullptr;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, static_cast<DWORD>(hr), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
  StringEX text;
  if (length && buffer) text.assign(buffer, length);
  if (buffer) LocalFree(buffer);
  return text;
}
