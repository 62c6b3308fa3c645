#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <platform_testing.h>

#include <morvane/Core.h>

namespace {

bool DisplayExpected() {
  const char* flag = std::getenv("MORVANE_TEST_DISPLAY");
  return flag && std::string(flag) == "1";
}

// The reference count of a platform object, read without changing it.
ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

class AdapterInfoTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Core::Cleanup();
    PlatformTesting::Reset();
  }
};

class AdapterInfoDisplayTest : public AdapterInfoTest {
 protected:
  void SetUp() override {
    if (!DisplayExpected()) GTEST_SKIP() << "needs a display";
    Core::Init();
    ASSERT_FALSE(Core::Adapters().empty());
    ASSERT_FALSE(Core::Adapters()[0].GetOutputs().empty());
  }
  const OutputInfo& FirstOutput() { return Core::Adapters()[0].GetOutputs()[0]; }
};

}  // namespace

TEST_F(AdapterInfoTest, HeadlessAdaptersHaveNoOutputs) {
  Core::Init();
  ASSERT_FALSE(Core::Adapters().empty());
  for (const AdapterInfo& adapter : Core::Adapters()) {
    EXPECT_NE(adapter.GetAdapter(), nullptr);
    EXPECT_NE(adapter.GetDesc().Description[0], L'\0');
    EXPECT_TRUE(adapter.GetOutputs().empty());
  }
}

TEST_F(AdapterInfoTest, NullRecordsAreEmpty) {
  AdapterInfo adapter(nullptr);
  adapter.EnumOutputs(true);
  EXPECT_TRUE(adapter.GetOutputs().empty());
  EXPECT_EQ(adapter.GetDesc().Description[0], L'\0');
  OutputInfo output(nullptr);
  output.EnumFormatModes();
  EXPECT_TRUE(output.GetFormatModes().empty());
  EXPECT_EQ(output.GetDesc().DeviceName[0], L'\0');
  AdapterInfo copy(adapter);
  copy = adapter;
}

TEST_F(AdapterInfoTest, CopiesHoldTheirOwnReference) {
  Core::Init();
  IDXGIAdapter* raw = nullptr;
  ASSERT_EQ(Core::Factory()->EnumAdapters(0, &raw), S_OK);
  ULONG base = RefCount(raw);
  {
    AdapterInfo owner(raw);  // takes over the enumeration's reference
    EXPECT_EQ(RefCount(raw), base);
    {
      AdapterInfo copy(owner);
      EXPECT_EQ(RefCount(raw), base + 1);
      AdapterInfo assigned(nullptr);
      assigned = copy;
      EXPECT_EQ(RefCount(raw), base + 2);
      assigned = AdapterInfo(nullptr);  // gives the reference up
      EXPECT_EQ(RefCount(raw), base + 1);
    }
    raw->AddRef();  // keep the object observable after the owner goes
    EXPECT_EQ(RefCount(raw), base + 1);
  }
  EXPECT_EQ(RefCount(raw), base);
  raw->Release();
}

TEST_F(AdapterInfoTest, FailingAdapterEnumerationKeepsWhatWasListed) {
  PlatformTesting::FailCall("IDXGIFactory::EnumAdapters", E_FAIL);
  Core::Init();
  EXPECT_TRUE(Core::Adapters().empty());
}

TEST_F(AdapterInfoDisplayTest, DisplayOutputsListFourFormats) {
  const OutputInfo& output = FirstOutput();
  DXGI_OUTPUT_DESC desc = output.GetDesc();
  EXPECT_EQ(desc.DesktopCoordinates.right - desc.DesktopCoordinates.left, 1280);
  const std::vector<FormatModes>& formats = output.GetFormatModes();
  ASSERT_EQ(formats.size(), 4u);
  const DXGI_FORMAT expected[] = {DXGI_FORMAT_R8G8B8A8_UNORM_SRGB, DXGI_FORMAT_R8G8B8A8_UNORM,
                                  DXGI_FORMAT_R16G16B16A16_FLOAT, DXGI_FORMAT_R10G10B10A2_UNORM};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(formats[i].Format, expected[i]);
    ASSERT_FALSE(formats[i].Modes.empty());
    bool desktopMode = false;
    for (const DXGI_MODE_DESC& mode : formats[i].Modes) {
      EXPECT_EQ(mode.Format, expected[i]);
      desktopMode |= mode.Width == 1280 && mode.Height == 1024;
    }
    EXPECT_TRUE(desktopMode);
  }
}

TEST_F(AdapterInfoDisplayTest, DisplayUnavailableFirstFormatOutsideRemoteSession) {
  PlatformTesting::SetRemoteSession(0);
  PlatformTesting::FailCall("IDXGIOutput::GetDisplayModeList", DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, 0, 2);
  OutputInfo output(FirstOutput());
  output.EnumFormatModes();
  ASSERT_EQ(output.GetFormatModes().size(), 1u);
  EXPECT_EQ(output.GetFormatModes()[0].Format, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
  EXPECT_TRUE(output.GetFormatModes()[0].Modes.empty());
}

TEST_F(AdapterInfoDisplayTest, DisplayUnavailableFirstFormatInRemoteSession) {
  PlatformTesting::SetRemoteSession(1);
  PlatformTesting::FailCall("IDXGIOutput::GetDisplayModeList", DXGI_ERROR_NOT_CURRENTLY_AVAILABLE, 0, 2);
  OutputInfo output(FirstOutput());
  output.EnumFormatModes();
  ASSERT_EQ(output.GetFormatModes().size(), 1u);
  const std::vector<DXGI_MODE_DESC>& modes = output.GetFormatModes()[0].Modes;
  ASSERT_EQ(modes.size(), 1u);
  EXPECT_EQ(modes[0].Width, 1280u);
  EXPECT_EQ(modes[0].Height, 1024u);
  EXPECT_EQ(modes[0].RefreshRate.Numerator, 60u);
  EXPECT_EQ(modes[0].RefreshRate.Denominator, 1u);
  EXPECT_EQ(modes[0].Format, DXGI_FORMAT_R8G8B8A8_UNORM_SRGB);
  EXPECT_EQ(modes[0].ScanlineOrdering, DXGI_MODE_SCANLINE_ORDER_PROGRESSIVE);
  EXPECT_EQ(modes[0].Scaling, DXGI_MODE_SCALING_CENTERED);
}

TEST_F(AdapterInfoDisplayTest, DisplaySecondFormatFailureKeepsTheFirst) {
  // The first format takes two calls (count and list); the third fails.
  PlatformTesting::FailCall("IDXGIOutput::GetDisplayModeList", E_FAIL, 2, 1);
  OutputInfo output(FirstOutput());
  output.EnumFormatModes();
  ASSERT_EQ(output.GetFormatModes().size(), 1u);
  EXPECT_FALSE(output.GetFormatModes()[0].Modes.empty());
}

TEST_F(AdapterInfoDisplayTest, DisplayOutputCopiesShareTheOutput) {
  IDXGIOutput* raw = FirstOutput().GetOutput();
  ULONG base = RefCount(raw);
  {
    OutputInfo copy(FirstOutput());
    EXPECT_EQ(RefCount(raw), base + 1);
    EXPECT_EQ(copy.GetFormatModes().size(), FirstOutput().GetFormatModes().size());
  }
  EXPECT_EQ(RefCount(raw), base);
}
