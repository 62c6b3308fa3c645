#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include <platform_testing_d3d10.h>

#include <morvane/Buffer.h>

#include "DeviceFixture.h"

namespace {

unsigned CreatedBuffers() { return PlatformTesting::CallCount("ID3D10Device::CreateBuffer"); }

// The device buffer's bytes, read back through a staging copy.
std::vector<unsigned char> ReadBack(GraphicsDevice* device, Buffer& buffer) {
  Buffer staging(device, buffer.GetSize(), D3D10_USAGE_STAGING, 0, D3D10_CPU_ACCESS_READ, nullptr);
  device->GetDevice()->CopyResource(staging.GetBuffer(), buffer.GetBuffer());
  void* data = nullptr;
  std::vector<unsigned char> bytes;
  if (SUCCEEDED(staging.GetBuffer()->Map(D3D10_MAP_READ, 0, &data))) {
    bytes.assign(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + buffer.GetSize());
    staging.GetBuffer()->Unmap();
  }
  return bytes;
}

}  // namespace

using BufferTest = DeviceFixture;

TEST_F(BufferTest, IndexBufferWidthAndCount) {
  const unsigned short indices16[6] = {0, 1, 2, 2, 1, 3};
  const unsigned int indices32[6] = {0, 1, 2, 2, 1, 3};
  IndexBuffer small(device.get(), 6, false, false, indices16);
  IndexBuffer large(device.get(), 6, true, false, indices32);
  EXPECT_EQ(small.GetSize(), 12u);
  EXPECT_EQ(small.GetIndexCount(), 6u);
  EXPECT_FALSE(small.Is32Bit());
  EXPECT_EQ(large.GetSize(), 24u);
  EXPECT_EQ(large.GetIndexCount(), 6u);
  EXPECT_TRUE(large.Is32Bit());
}

TEST_F(BufferTest, StaticContentsReachTheDevice) {
  const float vertices[6] = {1, 2, 3, 4, 5, 6};
  VertexBuffer buffer(device.get(), 2, 12, false, vertices);
  ASSERT_NE(buffer.GetBuffer(), nullptr);
  EXPECT_EQ(buffer.GetVertexCount(), 2u);
  EXPECT_EQ(buffer.GetElementStride(), 12u);
  std::vector<unsigned char> bytes = ReadBack(device.get(), buffer);
  ASSERT_EQ(bytes.size(), sizeof(vertices));
  EXPECT_EQ(std::memcmp(bytes.data(), vertices, sizeof(vertices)), 0);
}

TEST_F(BufferTest, DynamicLockRewritesTheWholeBuffer) {
  VertexBuffer buffer(device.get(), 4, 4, true, nullptr);
  auto* data = static_cast<unsigned int*>(buffer.Lock());
  ASSERT_NE(data, nullptr);
  for (unsigned int i = 0; i < 4; ++i) data[i] = 0xA0 + i;
  buffer.Unlock();
  std::vector<unsigned char> bytes = ReadBack(device.get(), buffer);
  ASSERT_EQ(bytes.size(), 16u);
  EXPECT_EQ(bytes[12], 0xA3);
  EXPECT_TRUE(log.entries.empty());
}

TEST_F(BufferTest, StaticBuffersRefuseLockUnlockAndResize) {
  const float vertices[3] = {0, 0, 0};
  VertexBuffer vertexBuffer(device.get(), 1, 12, false, vertices);
  const unsigned short indices[3] = {0, 0, 0};
  IndexBuffer indexBuffer(device.get(), 3, false, false, indices);
  ID3D10Buffer* before = vertexBuffer.GetBuffer();

  EXPECT_EQ(vertexBuffer.Lock(), nullptr);
  vertexBuffer.Unlock();
  vertexBuffer.Resize(10, 12);
  indexBuffer.Resize(10);
  EXPECT_EQ(log.Texts(RecordingLogger::kError),
            (std::vector<std::string>{"Buffer::Lock: Can't lock immutable vertex buffer",
                                      "Buffer::Unlock: Can't unlock immutable vertex buffer",
                                      "VertexBuffer::Reallocate: Can't resize immutable vertex buffer",
                                      "IndexBuffer::Reallocate: Can't resize immutable vertex buffer"}));
  EXPECT_EQ(vertexBuffer.GetBuffer(), before);
  EXPECT_EQ(vertexBuffer.GetVertexCount(), 1u);
  EXPECT_EQ(indexBuffer.GetIndexCount(), 3u);
}

TEST_F(BufferTest, ResizeKeepsTheDeviceBufferForAnEqualWidth) {
  VertexBuffer buffer(device.get(), 10, 12, true, nullptr);
  unsigned created = CreatedBuffers();
  buffer.Resize(20, 6);
  EXPECT_EQ(CreatedBuffers(), created);
  EXPECT_EQ(buffer.GetVertexCount(), 20u);
  EXPECT_EQ(buffer.GetElementStride(), 6u);
  buffer.Resize(30, 6);
  EXPECT_EQ(CreatedBuffers(), created + 1);
  EXPECT_EQ(buffer.GetSize(), 180u);

  IndexBuffer indices(device.get(), 6, true, true, nullptr);
  indices.Resize(12);
  EXPECT_EQ(indices.GetSize(), 48u);
  EXPECT_EQ(indices.GetIndexCount(), 12u);
}

TEST_F(BufferTest, StreamWindowsFollowTheCursor) {
  DynamicVB stream(device.get(), 2048);
  EXPECT_EQ(stream.GetElementStride(), 1u);
  EXPECT_EQ(stream.GetVertexCount(), 2048u);
  unsigned created = CreatedBuffers();
  for (unsigned int i = 0; i < 20; ++i) {
    ASSERT_NE(stream.Lock(100), nullptr);
    EXPECT_EQ(stream.GetStreamOffset(), i * 100);
    EXPECT_EQ(D3D10Testing::LastMapType(stream.GetBuffer()),
              i == 0 ? D3D10_MAP_WRITE_DISCARD : D3D10_MAP_WRITE_NO_OVERWRITE);
    stream.Unlock();
  }
  EXPECT_EQ(CreatedBuffers(), created);
  // 2000 bytes handed out: the next window does not fit and starts a new buffer.
  ASSERT_NE(stream.Lock(100), nullptr);
  stream.Unlock();
  EXPECT_EQ(stream.GetStreamOffset(), 0u);
  EXPECT_EQ(stream.GetSize(), 2048u);
  EXPECT_EQ(CreatedBuffers(), created + 1);
  EXPECT_EQ(D3D10Testing::LastMapType(stream.GetBuffer()), D3D10_MAP_WRITE_DISCARD);
}

TEST_F(BufferTest, StreamGrowsByDoubling) {
  DynamicVB stream(device.get(), 2048);
  ASSERT_NE(stream.Lock(5000), nullptr);
  stream.Unlock();
  EXPECT_EQ(stream.GetSize(), 8192u);
  EXPECT_EQ(stream.GetStreamOffset(), 0u);
  stream.PreAllocate(9000);
  EXPECT_EQ(stream.GetSize(), 16384u);
  ASSERT_NE(stream.Lock(16), nullptr);
  stream.Unlock();
  EXPECT_EQ(stream.GetStreamOffset(), 0u);
}

TEST_F(BufferTest, StreamIndexBufferRoundsDownAndStarts32Bit) {
  DynamicIB stream(device.get(), 2050);
  EXPECT_EQ(stream.GetSize(), 2048u);
  EXPECT_TRUE(stream.Is32Bit());
  stream.SetIs32Bit(false);
  EXPECT_FALSE(stream.Is32Bit());
  ASSERT_NE(stream.Lock(64), nullptr);
  stream.Unlock();
  ASSERT_NE(stream.Lock(64), nullptr);
  stream.Unlock();
  EXPECT_EQ(stream.GetStreamOffset(), 64u);
}

TEST_F(BufferTest, StreamWindowsKeepEarlierWindows) {
  DynamicVB stream(device.get(), 2048);
  auto* first = static_cast<unsigned char*>(stream.Lock(4));
  ASSERT_NE(first, nullptr);
  std::memset(first, 0x11, 4);
  stream.Unlock();
  auto* second = static_cast<unsigned char*>(stream.Lock(4));
  ASSERT_NE(second, nullptr);
  std::memset(second, 0x22, 4);
  stream.Unlock();
  std::vector<unsigned char> bytes = ReadBack(device.get(), stream);
  ASSERT_EQ(bytes.size(), 2048u);
  EXPECT_EQ(bytes[0], 0x11);
  EXPECT_EQ(bytes[4], 0x22);
}

TEST_F(BufferTest, RefusedCreationLeavesNoBuffer) {
  PlatformTesting::FailCall("ID3D10Device::CreateBuffer", E_OUTOFMEMORY);
  VertexBuffer buffer(device.get(), 4, 4, true, nullptr);
  EXPECT_EQ(buffer.GetBuffer(), nullptr);
  EXPECT_EQ(log.Texts(RecordingLogger::kError), (std::vector<std::string>{"Error creating buffer."}));
  // The device refuses honest descriptions too: an immutable buffer without data.
  VertexBuffer empty(device.get(), 4, 4, false, nullptr);
  EXPECT_EQ(empty.GetBuffer(), nullptr);
  EXPECT_EQ(log.Texts(RecordingLogger::kError).size(), 2u);
}

TEST_F(BufferTest, StreamWithoutDeviceBufferHandsOutNothing) {
  PlatformTesting::FailCall("ID3D10Device::CreateBuffer", E_OUTOFMEMORY);
  DynamicVB stream(device.get(), 2048);
  EXPECT_EQ(stream.Lock(16), nullptr);
  stream.Unlock();
  EXPECT_EQ(stream.GetStreamOffset(), 0u);
}
