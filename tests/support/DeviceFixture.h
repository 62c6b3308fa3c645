// A test fixture with the engine initialised, a recording logger installed
// and a graphics device on the first adapter.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include <platform_testing.h>

#include <morvane/Core.h>
#include <morvane/GraphicsDevice.h>

#include "RecordingLogger.h"

class DeviceFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Core::Init();
    Core::SetLogger(&log);
    device.reset(new GraphicsDevice(0, false));
    ASSERT_NE(device->GetDevice(), nullptr);
  }
  void TearDown() override {
    device.reset();
    Core::Cleanup();
    PlatformTesting::Reset();
  }

  RecordingLogger log;
  std::unique_ptr<GraphicsDevice> device;
};
