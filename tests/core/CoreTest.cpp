#include <gtest/gtest.h>

#include <unistd.h>

#include <d3dx10tex.h>
#include <platform_testing.h>

#include <morvane/Core.h>

#include "RecordingLogger.h"

class CoreTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Core::Cleanup();
    PlatformTesting::Reset();
  }
};

TEST_F(CoreTest, InitAndCleanup) {
  EXPECT_EQ(Core::s_pCore, nullptr);
  Core::Cleanup();  // without Init: nothing happens
  Core::Init();
  ASSERT_NE(Core::s_pCore, nullptr);
  EXPECT_NE(Core::Factory(), nullptr);
  EXPECT_FALSE(Core::Adapters().empty());
  EXPECT_EQ(Core::Clock().GetFrameCount(), 0u);

  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof(cwd)), nullptr);
  EXPECT_EQ(Core::GetRoot(), cwd);

  Core::Cleanup();
  EXPECT_EQ(Core::s_pCore, nullptr);
  Core::Cleanup();
  EXPECT_EQ(Core::s_pCore, nullptr);
}

TEST_F(CoreTest, SecondInitKeepsTheServices) {
  Core::Init();
  Core* first = Core::s_pCore;
  Core::Init();
  EXPECT_EQ(Core::s_pCore, first);
}

TEST_F(CoreTest, DefaultLoggerDropsEverythingUntilAHostLoggerIsSet) {
  Core::Init();
  ILogger* defaultLogger = Core::Log();
  EXPECT_FALSE(defaultLogger->Reserved1());
  defaultLogger->Error("dropped");

  RecordingLogger host;
  Core::SetLogger(&host);
  EXPECT_EQ(Core::Log(), &host);
  Core::Log()->Error("kept");
  Core::Log()->Warning("3 unfreed layouts.", 3);
  EXPECT_EQ(host.entries.size(), 2u);
  EXPECT_TRUE(host.Contains(RecordingLogger::kError, "kept"));
  EXPECT_TRUE(host.Contains(RecordingLogger::kWarning, "3 unfreed layouts."));
}

TEST_F(CoreTest, InitWithoutFactoryStillCompletes) {
  PlatformTesting::FailCall("CreateDXGIFactory", E_FAIL);
  Core::Init();
  ASSERT_NE(Core::s_pCore, nullptr);
  EXPECT_EQ(Core::Factory(), nullptr);
  EXPECT_TRUE(Core::Adapters().empty());
}

TEST_F(CoreTest, FirstUpdateMeasuresFromInit) {
  Core::Init();
  Core::Clock().Update();
  EXPECT_EQ(Core::Clock().GetFrameCount(), 1u);
  EXPECT_GE(Core::Clock().GetTotalTime(), 0.0);
  EXPECT_EQ(Core::Clock().GetTotalTime(), Core::Clock().GetFrameTime());
}

TEST(ErrorText, SystemTextWithLineEnd) {
  EXPECT_EQ(GetErrorText(E_INVALIDARG), "The parameter is incorrect.\r\n");
  EXPECT_FALSE(GetErrorText(DXGI_ERROR_NOT_FOUND).empty());
  EXPECT_EQ(GetErrorText(D3DX10_ERR_INVALID_DATA), "The data is invalid.\r\n");
  EXPECT_EQ(GetErrorText(static_cast<HRESULT>(0x8BADF00DL)), "");
}
