#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>

#include <morvane/Texture.h>

#include "DeviceFixture.h"
#include "ReadBack.h"
#include "TempDir.h"

namespace {

// A 24-bit bottom-up BMP of width x height pixels given top row first as 0xRRGGBB.
void WriteBmp(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
  int rowSize = (width * 3 + 3) & ~3;
  int dataSize = rowSize * height;
  std::string bytes(54 + dataSize, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, static_cast<uint32_t>(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  bytes[26] = 1;
  bytes[28] = 24;
  put32(34, static_cast<uint32_t>(dataSize));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[y * width + x];
      size_t at = 54 + static_cast<size_t>(height - 1 - y) * rowSize + x * 3;
      bytes[at + 0] = static_cast<char>(p & 0xFF);
      bytes[at + 1] = static_cast<char>((p >> 8) & 0xFF);
      bytes[at + 2] = static_cast<char>((p >> 16) & 0xFF);
    }
  WriteFileBytes(path, bytes);
}

}  // namespace

using TextureTest = DeviceFixture;

TEST_F(TextureTest, TypeTags) {
  CubeTexture* cube = new CubeTexture(device.get(), 4, DF_R8G8B8A8_UNORM, 1, 1, 0, D3D10_BIND_SHADER_RESOURCE,
                                      DF_UNKNOWN);
  EXPECT_EQ(cube->AsTexture2D(), nullptr);
  EXPECT_EQ(cube->AsCubeTexture(), cube);
  EXPECT_EQ(cube->GetType(), TEXTURE_CUBE);
  EXPECT_EQ(cube->GetLength(), 4u);
  ASSERT_NE(cube->GetSRV(), nullptr);
  D3D10_SHADER_RESOURCE_VIEW_DESC view;
  cube->GetSRV()->GetDesc(&view);
  EXPECT_EQ(view.ViewDimension, D3D10_SRV_DIMENSION_TEXTURECUBE);
  cube->Release();

  VolumeTexture* volume = new VolumeTexture(device.get());
  EXPECT_EQ(volume->AsVolumeTexture(), volume);
  EXPECT_EQ(volume->AsTexture1D(), nullptr);
  EXPECT_EQ(volume->GetResource(), nullptr);
  EXPECT_EQ(volume->GetMipLevels(), 1u);
  volume->Release();
}

TEST_F(TextureTest, ViewFollowsBindFlagsAndRequests) {
  Texture2D* plain = new Texture2D(device.get(), 4, 2, DF_R8G8B8A8_UNORM, 1, 1, 0, 0, DF_UNKNOWN);
  EXPECT_NE(plain->GetResource(), nullptr);
  EXPECT_EQ(plain->GetSRV(), nullptr);
  EXPECT_TRUE(log.Texts(RecordingLogger::kWarning).empty());
  EXPECT_EQ(log.Texts(RecordingLogger::kWriteLine),
            (std::vector<std::string>{
                "Texture2D::Texture2D w=4 h=2 fmt=28 mip=1 samples=1 samplequal=0 bflag=0 srvfmt=0"}));
  plain->Release();

  Texture2D* requested = new Texture2D(device.get(), 4, 2, DF_R8G8B8A8_UNORM, 1, 1, 0, 0, DF_R8G8B8A8_UNORM);
  EXPECT_EQ(log.entries.back(),
            (RecordingLogger::Entry{RecordingLogger::kWarning, 3, "shader resource view requested, but bind flag not set"}));
  EXPECT_NE(requested->GetSRV(), nullptr);
  EXPECT_EQ(requested->GetSRVFormat(), DF_R8G8B8A8_UNORM);
  requested->Release();
}

TEST_F(TextureTest, ViewDimensionsFollowSamplesAndSlices) {
  Texture2D* multisampled = new Texture2D(device.get(), 4, 4, DF_R8G8B8A8_UNORM, 1, 4, 0,
                                          D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, DF_UNKNOWN);
  ASSERT_NE(multisampled->GetSRV(), nullptr);
  D3D10_SHADER_RESOURCE_VIEW_DESC view;
  multisampled->GetSRV()->GetDesc(&view);
  EXPECT_EQ(view.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE2DMS);
  EXPECT_EQ(multisampled->GetSampleCount(), 4u);
  multisampled->Release();

  D3D10_TEXTURE2D_DESC desc = {4, 4, 1, 6, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                               D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE, 0, 0};
  Texture2D* array = new Texture2D(device.get(), desc, DF_UNKNOWN);
  ASSERT_NE(array->GetSRV(), nullptr);
  array->GetSRV()->GetDesc(&view);
  EXPECT_EQ(view.ViewDimension, D3D10_SRV_DIMENSION_TEXTURE2DARRAY);
  EXPECT_EQ(view.Texture2DArray.ArraySize, 6u);
  array->Release();
}

TEST_F(TextureTest, WrapsADeviceTexture) {
  D3D10_TEXTURE2D_DESC desc = {8, 8, 0, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                               D3D10_BIND_SHADER_RESOURCE | D3D10_BIND_RENDER_TARGET, 0,
                               D3D10_RESOURCE_MISC_GENERATE_MIPS};
  ID3D10Texture2D* raw = nullptr;
  ASSERT_EQ(device->GetDevice()->CreateTexture2D(&desc, nullptr, &raw), S_OK);
  Texture2D* wrapped = new Texture2D(device.get(), raw);
  EXPECT_EQ(wrapped->GetFormat(), DF_R8G8B8A8_UNORM);
  EXPECT_EQ(wrapped->GetMipLevels(), 4u);
  EXPECT_EQ(wrapped->GetTexture(), raw);
  EXPECT_NE(wrapped->GetSRV(), nullptr);
  wrapped->Release();
}

TEST_F(TextureTest, StagingAndDynamicTextures) {
  Texture2D* staging = Texture2D::CreateStagingTexture(device.get(), 4, 4, DF_R8G8B8A8_UNORM, 1);
  EXPECT_NE(staging->GetResource(), nullptr);
  EXPECT_EQ(staging->GetSRV(), nullptr);
  Texture2D* dynamic = Texture2D::CreateDynamicTexture(device.get(), 4, 4, DF_R8G8B8A8_UNORM, 1);
  ASSERT_NE(dynamic->GetResource(), nullptr);
  EXPECT_NE(dynamic->GetSRV(), nullptr);
  D3D10_MAPPED_TEXTURE2D mapped;
  ASSERT_EQ(dynamic->GetTexture()->Map(0, D3D10_MAP_WRITE_DISCARD, 0, &mapped), S_OK);
  dynamic->GetTexture()->Unmap(0);
  staging->Release();
  dynamic->Release();
  EXPECT_TRUE(log.Texts(RecordingLogger::kError).empty());
}

TEST_F(TextureTest, RefusedCreationsAreLogged) {
  Texture1D* line = new Texture1D(device.get(), 0, DF_R8G8B8A8_UNORM, 1, false, D3D10_BIND_SHADER_RESOURCE,
                                  DXGI_FORMAT_UNKNOWN);
  EXPECT_EQ(line->GetResource(), nullptr);
  EXPECT_EQ(log.Texts(RecordingLogger::kError),
            (std::vector<std::string>{"CreateTexture1D failed: " + std::to_string(static_cast<int>(E_INVALIDARG))}));
  line->Release();

  Texture2D* empty = new Texture2D(device.get(), 0, 0, DF_R8G8B8A8_UNORM, 1, 1, 0, 0, DF_UNKNOWN);
  EXPECT_EQ(empty->GetResource(), nullptr);
  EXPECT_EQ(log.Texts(RecordingLogger::kError).back(), "create texture failed.");
  empty->Release();

  Texture1D* good = new Texture1D(device.get(), 16, DF_R8G8B8A8_UNORM, 1, true, D3D10_BIND_SHADER_RESOURCE,
                                  DXGI_FORMAT_UNKNOWN);
  EXPECT_NE(good->GetTexture(), nullptr);
  EXPECT_NE(good->GetSRV(), nullptr);
  good->Release();
}

TEST_F(TextureTest, LoadsAnImageFile) {
  TempDir dir;
  std::string path = dir.File("checker.bmp");
  WriteBmp(path, 2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF});
  Texture2D* texture = new Texture2D(device.get(), StringEX(path));
  ASSERT_NE(texture->GetResource(), nullptr);
  EXPECT_EQ(texture->GetFormat(), DF_R8G8B8A8_UNORM);
  EXPECT_EQ(texture->GetWidth(), 2u);
  EXPECT_EQ(texture->GetMipLevels(), 0u);  // as given: the whole chain
  EXPECT_EQ(texture->GetDesc().MipLevels, 2u);
  ASSERT_NE(texture->GetSRV(), nullptr);
  std::vector<uint8_t> texels = ReadSubresource(device->GetDevice(), texture->GetTexture(), 0, 4);
  ASSERT_EQ(texels.size(), 16u);
  const uint8_t expected[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
  EXPECT_EQ(std::vector<uint8_t>(texels.begin(), texels.end()), std::vector<uint8_t>(expected, expected + 16));
  texture->Release();
}

TEST_F(TextureTest, MissingFileLogsOneLine) {
  Texture2D* texture = new Texture2D(device.get(), StringEX("/nonexistent/stone.png"));
  EXPECT_EQ(texture->GetResource(), nullptr);
  EXPECT_EQ(texture->GetSRV(), nullptr);
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].op, RecordingLogger::kWriteLine);
  EXPECT_EQ(log.entries[0].level, 0);
  EXPECT_EQ(log.entries[0].text.rfind("Error creating texture from file: ", 0), 0u);
  texture->Release();

  CubeTexture* cube = new CubeTexture(device.get(), StringEX("/nonexistent/sky.dds"));
  EXPECT_EQ(cube->GetResource(), nullptr);
  EXPECT_EQ(log.entries.back().text.rfind("Error creating cubetexture from file: ", 0), 0u);
  cube->Release();
}

TEST(TextureWithoutDevice, LogsAndStaysEmpty) {
  Core::Init();
  RecordingLogger log;
  Core::SetLogger(&log);
  PlatformTesting::FailCall("D3D10CreateDevice", E_FAIL);
  {
    GraphicsDevice device(0, false);
    Texture2D* texture = new Texture2D(&device, 4, 4, DF_R8G8B8A8_UNORM, 1, 1, 0, 0, DF_UNKNOWN);
    EXPECT_EQ(texture->GetResource(), nullptr);
    EXPECT_EQ(log.entries.back().text, "BaseTexture::BaseTexture: no device");
    texture->Release();
  }
  Core::Cleanup();
  PlatformTesting::Reset();
}
