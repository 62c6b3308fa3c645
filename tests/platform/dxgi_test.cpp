#include <dxgi.h>

#include <signal.h>

#include <algorithm>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "com/com_object.h"
#include "platform_test.h"

namespace {

using Dxgi = PlatformTest;

IDXGIFactory* CreateFactory() {
  IDXGIFactory* factory = nullptr;
  EXPECT_EQ(S_OK, CreateDXGIFactory(IID_IDXGIFactory, reinterpret_cast<void**>(&factory)));
  return factory;
}

ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// The modes of one format, asked for the way the engine asks: count, then list.
std::vector<DXGI_MODE_DESC> Modes(IDXGIOutput* output, DXGI_FORMAT format, UINT flags) {
  UINT count = 0;
  EXPECT_EQ(S_OK, output->GetDisplayModeList(format, flags, &count, nullptr));
  std::vector<DXGI_MODE_DESC> modes(count);
  EXPECT_EQ(S_OK, output->GetDisplayModeList(format, flags, &count, modes.data()));
  EXPECT_EQ(modes.size(), count);
  return modes;
}

TEST_F(Dxgi, CreateFactoryChecksArguments) {
  for (const IID* iid : {&IID_IDXGIFactory, &IID_IDXGIObject, &IID_IUnknown}) {
    IUnknown* factory = nullptr;
    ASSERT_EQ(S_OK, CreateDXGIFactory(*iid, reinterpret_cast<void**>(&factory)));
    ASSERT_NE(nullptr, factory);
    EXPECT_EQ(0u, factory->Release());
  }
  void* factory = &factory;
  EXPECT_EQ(E_NOINTERFACE, CreateDXGIFactory(IID_IDXGIAdapter, &factory));
  EXPECT_EQ(nullptr, factory);
  EXPECT_EQ(E_POINTER, CreateDXGIFactory(IID_IDXGIFactory, nullptr));
}

TEST_F(Dxgi, InjectedFailuresSkipThenFailGivenTimes) {
  void* factory = nullptr;
  PlatformTesting::FailCall("CreateDXGIFactory", E_OUTOFMEMORY);
  EXPECT_EQ(E_OUTOFMEMORY, CreateDXGIFactory(IID_IDXGIFactory, &factory));
  EXPECT_EQ(nullptr, factory);
  ComPtr<IDXGIFactory> created = ComPtr<IDXGIFactory>::Attach(CreateFactory());
  ASSERT_TRUE(created);
  EXPECT_EQ(2u, PlatformTesting::CallCount("CreateDXGIFactory"));

  PlatformTesting::FailCall("IDXGIFactory::EnumAdapters", DXGI_ERROR_DRIVER_INTERNAL_ERROR, 1, 2);
  std::vector<HRESULT> results;
  for (int i = 0; i < 4; ++i) {
    ComPtr<IDXGIAdapter> adapter;
    results.push_back(created->EnumAdapters(0, adapter.ReleaseAndGetAddressOf()));
  }
  EXPECT_EQ((std::vector<HRESULT>{S_OK, DXGI_ERROR_DRIVER_INTERNAL_ERROR, DXGI_ERROR_DRIVER_INTERNAL_ERROR, S_OK}),
            results);
  EXPECT_EQ(4u, PlatformTesting::CallCount("IDXGIFactory::EnumAdapters"));

  PlatformTesting::FailCall("IDXGIFactory::EnumAdapters", E_FAIL);
  PlatformTesting::Reset();
  EXPECT_EQ(0u, PlatformTesting::CallCount("IDXGIFactory::EnumAdapters"));
  ComPtr<IDXGIAdapter> adapter;
  EXPECT_EQ(S_OK, created->EnumAdapters(0, adapter.ReleaseAndGetAddressOf()));
}

TEST_F(Dxgi, AdaptersDescribeTheirRenderer) {
  ComPtr<IDXGIFactory> factory = ComPtr<IDXGIFactory>::Attach(CreateFactory());
  std::vector<ComPtr<IDXGIAdapter>> adapters;
  for (UINT i = 0;; ++i) {
    IDXGIAdapter* adapter = nullptr;
    HRESULT hr = factory->EnumAdapters(i, &adapter);
    if (hr == DXGI_ERROR_NOT_FOUND) {
      EXPECT_EQ(nullptr, adapter);
      break;
    }
    ASSERT_EQ(S_OK, hr);
    adapters.push_back(ComPtr<IDXGIAdapter>::Attach(adapter));
  }
  ASSERT_FALSE(adapters.empty());
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, factory->EnumAdapters(0, nullptr));

  std::set<std::tuple<DWORD, LONG>> luids;
  for (const ComPtr<IDXGIAdapter>& adapter : adapters) {
    DXGI_ADAPTER_DESC desc;
    ASSERT_EQ(S_OK, adapter->GetDesc(&desc));
    std::wstring name = desc.Description;
    EXPECT_FALSE(name.empty());
    // Mesa's software rasteriser on machines without a GPU.
    if (desc.VendorId == 0x10005) {
      EXPECT_NE(std::wstring::npos, name.find(L"llvmpipe")) << std::string(name.begin(), name.end());
      EXPECT_GT(desc.SharedSystemMemory, 0u);
    }
    luids.insert({desc.AdapterLuid.LowPart, desc.AdapterLuid.HighPart});
  }
  EXPECT_EQ(adapters.size(), luids.size());
  EXPECT_EQ(E_INVALIDARG, adapters[0]->GetDesc(nullptr));

  // Each call hands out a new object of its own.
  ComPtr<IDXGIAdapter> again;
  ASSERT_EQ(S_OK, factory->EnumAdapters(0, again.ReleaseAndGetAddressOf()));
  EXPECT_NE(adapters[0].Get(), again.Get());
  EXPECT_EQ(1u, RefCount(again.Get()));
}

TEST_F(Dxgi, ChildrenKeepTheirParentsAlive) {
  IDXGIFactory* factory = CreateFactory();
  IDXGIAdapter* adapter = nullptr;
  ASSERT_EQ(S_OK, factory->EnumAdapters(0, &adapter));
  EXPECT_EQ(2u, RefCount(factory));
  EXPECT_EQ(1u, factory->Release());

  IDXGIFactory* parent = nullptr;
  ASSERT_EQ(S_OK, adapter->GetParent(IID_IDXGIFactory, reinterpret_cast<void**>(&parent)));
  EXPECT_EQ(factory, parent);
  parent->Release();
  void* none = &none;
  EXPECT_EQ(E_NOINTERFACE, adapter->GetParent(IID_IDXGIOutput, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_NOINTERFACE, factory->GetParent(IID_IUnknown, &none));

  void* asObject = nullptr;
  ASSERT_EQ(S_OK, adapter->QueryInterface(IID_IDXGIObject, &asObject));
  EXPECT_EQ(adapter, asObject);
  EXPECT_EQ(E_NOINTERFACE, adapter->QueryInterface(IID_IDXGIFactory, &asObject));
  EXPECT_EQ(1u, adapter->Release());
  EXPECT_EQ(0u, adapter->Release());
}

TEST_F(Dxgi, HeadlessAdapterHasNoOutputs) {
  SKIP_WITH_DISPLAY_SERVER();
  ComPtr<IDXGIFactory> factory = ComPtr<IDXGIFactory>::Attach(CreateFactory());
  ComPtr<IDXGIAdapter> adapter;
  ASSERT_EQ(S_OK, factory->EnumAdapters(0, adapter.ReleaseAndGetAddressOf()));
  IDXGIOutput* output = reinterpret_cast<IDXGIOutput*>(&output);
  EXPECT_EQ(DXGI_ERROR_NOT_FOUND, adapter->EnumOutputs(0, &output));
  EXPECT_EQ(nullptr, output);
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, adapter->EnumOutputs(0, nullptr));
}

// Under Xvfb: one output on the first adapter, 1280x1024.
class DxgiDisplay : public PlatformTest {
 protected:
  void SetUp() override {
    SKIP_WITHOUT_TEST_DISPLAY();
    m_factory = ComPtr<IDXGIFactory>::Attach(CreateFactory());
    ASSERT_EQ(S_OK, m_factory->EnumAdapters(0, m_adapter.ReleaseAndGetAddressOf()));
    ASSERT_EQ(S_OK, m_adapter->EnumOutputs(0, m_output.ReleaseAndGetAddressOf()));
  }

  ComPtr<IDXGIFactory> m_factory;
  ComPtr<IDXGIAdapter> m_adapter;
  ComPtr<IDXGIOutput> m_output;
};

TEST_F(DxgiDisplay, OneOutputDescribingTheScreen) {
  IDXGIOutput* second = nullptr;
  EXPECT_EQ(DXGI_ERROR_NOT_FOUND, m_adapter->EnumOutputs(1, &second));
  ComPtr<IDXGIAdapter> other;
  if (m_factory->EnumAdapters(1, other.ReleaseAndGetAddressOf()) == S_OK) {
    EXPECT_EQ(DXGI_ERROR_NOT_FOUND, other->EnumOutputs(0, &second));
  }

  DXGI_OUTPUT_DESC desc;
  ASSERT_EQ(S_OK, m_output->GetDesc(&desc));
  EXPECT_EQ(std::wstring(L"\\\\.\\DISPLAY1"), desc.DeviceName);
  EXPECT_EQ(0, desc.DesktopCoordinates.left);
  EXPECT_EQ(0, desc.DesktopCoordinates.top);
  EXPECT_EQ(1280, desc.DesktopCoordinates.right);
  EXPECT_EQ(1024, desc.DesktopCoordinates.bottom);
  EXPECT_TRUE(desc.AttachedToDesktop);
  EXPECT_EQ(DXGI_MODE_ROTATION_IDENTITY, desc.Rotation);
  EXPECT_NE(nullptr, desc.Monitor);

  // The output outlives the references the test dropped on its parents.
  IDXGIAdapter* parent = nullptr;
  m_factory.Reset();
  IDXGIAdapter* adapter = m_adapter.Detach();
  EXPECT_EQ(1u, adapter->Release());
  ASSERT_EQ(S_OK, m_output->GetParent(IID_IDXGIAdapter, reinterpret_cast<void**>(&parent)));
  EXPECT_EQ(adapter, parent);
  parent->Release();
}

TEST_F(DxgiDisplay, HeldOutputLeavesInterruptSignalsAlone) {
  for (int signal : {SIGINT, SIGTERM}) {
    struct sigaction action;
    ASSERT_EQ(0, sigaction(signal, nullptr, &action));
    EXPECT_EQ(SIG_DFL, action.sa_handler) << signal;
  }
}

TEST_F(DxgiDisplay, ModesOfTheEngineFormats) {
  for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_R8G8B8A8_UNORM,
                             DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_R10G10B10A2_UNORM}) {
    std::vector<DXGI_MODE_DESC> modes = Modes(m_output.Get(), format, DXGI_ENUM_MODES_SCALING);
    auto key = [](const DXGI_MODE_DESC& m) { return std::make_tuple(m.Width, m.Height, m.RefreshRate.Numerator); };
    EXPECT_TRUE(std::is_sorted(modes.begin(), modes.end(),
                               [&](const DXGI_MODE_DESC& a, const DXGI_MODE_DESC& b) { return key(a) < key(b); }));
    bool desktopSize = false;
    for (const DXGI_MODE_DESC& mode : modes) {
      EXPECT_EQ(format, mode.Format);
      EXPECT_EQ(DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE, mode.ScanlineOrdering);
      EXPECT_GT(mode.RefreshRate.Numerator, 0u);
      EXPECT_EQ(1u, mode.RefreshRate.Denominator);
      if (mode.Width == 1280 && mode.Height == 1024) {
        desktopSize = true;
        // Scaling means nothing for the desktop's own size.
        EXPECT_EQ(DXGI_MODE_SCALING_UNSPECIFIED, mode.Scaling);
        EXPECT_EQ(60u, mode.RefreshRate.Numerator);
      } else if (mode.Scaling != DXGI_MODE_SCALING_UNSPECIFIED) {
        EXPECT_TRUE(mode.Width <= 1280 && mode.Height <= 1024);
      }
    }
    EXPECT_TRUE(desktopSize) << format;
  }
}

TEST_F(DxgiDisplay, ModeListArguments) {
  UINT count = 0;
  EXPECT_EQ(DXGI_ERROR_UNSUPPORTED, m_output->GetDisplayModeList(DXGI_FORMAT_R32_FLOAT, 0, &count, nullptr));
  EXPECT_EQ(DXGI_ERROR_INVALID_CALL, m_output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, nullptr, nullptr));

  std::vector<DXGI_MODE_DESC> all = Modes(m_output.Get(), DXGI_FORMAT_B8G8R8A8_UNORM, 0);
  ASSERT_FALSE(all.empty());
  // Too small a list is filled as far as it goes; the entry behind it stays untouched.
  std::vector<DXGI_MODE_DESC> part(all.size(), DXGI_MODE_DESC{});
  part.back().Width = 12345;
  count = static_cast<UINT>(all.size() - 1);
  EXPECT_EQ(DXGI_ERROR_MORE_DATA, m_output->GetDisplayModeList(DXGI_FORMAT_B8G8R8A8_UNORM, 0, &count, part.data()));
  EXPECT_EQ(all.size() - 1, count);
  EXPECT_EQ(12345u, part.back().Width);
  for (UINT i = 0; i < count; ++i) EXPECT_EQ(all[i].Width, part[i].Width);

  std::vector<DXGI_MODE_DESC> roomy(all.size() + 3);
  count = static_cast<UINT>(roomy.size());
  EXPECT_EQ(S_OK, m_output->GetDisplayModeList(DXGI_FORMAT_B8G8R8A8_UNORM, 0, &count, roomy.data()));
  EXPECT_EQ(all.size(), count);
}

TEST_F(DxgiDisplay, ModesUnavailableInRemoteSessionOrOnInjectedFailure) {
  UINT count = 0;
  PlatformTesting::SetRemoteSession(1);
  EXPECT_EQ(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE,
            m_output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_ENUM_MODES_SCALING, &count, nullptr));
  PlatformTesting::SetRemoteSession(0);
  EXPECT_EQ(S_OK,
            m_output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_ENUM_MODES_SCALING, &count, nullptr));

  PlatformTesting::FailCall("IDXGIOutput::GetDisplayModeList", DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, 1);
  EXPECT_EQ(S_OK, m_output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr));
  EXPECT_EQ(DXGI_ERROR_NOT_CURRENTLY_AVAILABLE,
            m_output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr));
  PlatformTesting::FailCall("IDXGIAdapter::EnumOutputs", E_FAIL);
  IDXGIOutput* output = nullptr;
  EXPECT_EQ(E_FAIL, m_adapter->EnumOutputs(0, &output));
  EXPECT_EQ(S_OK, m_adapter->EnumOutputs(0, &output));
  output->Release();
}

}  // namespace
