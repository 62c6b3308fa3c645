// DDS files written byte by byte: 2D textures, cube maps in Direct3D's face
// order, arrays, 1D textures, block formats and legacy pixel formats, loaded
// and read back; damaged files refused with the loader's result codes.
#include "DdsBytes.h"
#include "LoaderFixture.h"

namespace {

using DdsTest = LoaderTest;

const DdsPixelFormat kArgb8 = DdsMasks(kDdsRgbFlag | kDdsAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000);

// A BC1 block of one colour: both end points the colour, every index 0.
uint64_t SolidBlock(uint16_t rgb565) { return uint64_t{rgb565} | uint64_t{0} << 16; }

TEST_F(DdsTest, MipChainLoadsLevelForLevel) {
  std::string texels = DdsFill(8, Rgba(1, 2, 3, 4)) + DdsFill(2, Rgba(5, 6, 7, 8)) + DdsFill(1, Rgba(9, 10, 11, 12));
  std::string path = Write("chain.dds", DdsDx10(4, 2, 3, DXGI_FORMAT_R8G8B8A8_UNORM, texels));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(4u, info.Width);
  EXPECT_EQ(2u, info.Height);
  EXPECT_EQ(1u, info.Depth);
  EXPECT_EQ(3u, info.MipLevels);
  EXPECT_EQ(1u, info.ArraySize);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, info.Format);
  EXPECT_EQ(D3DX10_IFF_DDS, info.ImageFileFormat);

  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  Ref<ID3D10Texture2D> texture = Load(path, &load);
  ASSERT_TRUE(texture);
  EXPECT_EQ(std::vector<uint32_t>(8, Rgba(1, 2, 3, 4)), Read(texture.Get(), 0));
  EXPECT_EQ(std::vector<uint32_t>(2, Rgba(5, 6, 7, 8)), Read(texture.Get(), 1));
  EXPECT_EQ(std::vector<uint32_t>(1, Rgba(9, 10, 11, 12)), Read(texture.Get(), 2));
  // From the second level down.
  load.FirstMipLevel = 1;
  texture = Load(path, &load);
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  EXPECT_EQ(2u, desc.Width);
  EXPECT_EQ(2u, desc.MipLevels);
  EXPECT_EQ(Rgba(9, 10, 11, 12), Read(texture.Get(), 1)[0]);
}

TEST_F(DdsTest, CubeFacesLoadInDirect3DOrder) {
  // A legacy cube of 4x4 faces with two of its three levels, in BGRA: face f is (f * 40, 255 - f * 40, f).
  std::string texels;
  for (uint32_t face = 0; face < 6; ++face) {
    uint32_t bgra = face | (255 - face * 40) << 8 | (face * 40) << 16 | 0xFFu << 24;
    texels += DdsFill(16, bgra) + DdsFill(4, bgra);
  }
  std::string path = Write("cube.dds", DdsLegacy(4, 4, 2, kArgb8, texels, kDdsCubeAllFaces));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(6u, info.ArraySize);
  EXPECT_EQ(UINT(D3D10_RESOURCE_MISC_TEXTURECUBE), info.MiscFlags);
  EXPECT_EQ(DXGI_FORMAT_B8G8R8A8_UNORM, info.Format);
  EXPECT_EQ(2u, info.MipLevels);

  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo(D3D10_RESOURCE_MISC_TEXTURECUBE);
  Ref<ID3D10Texture2D> cube = Load(path, &load);
  ASSERT_TRUE(cube);
  D3D10_TEXTURE2D_DESC desc;
  cube->GetDesc(&desc);
  EXPECT_EQ(3u, desc.MipLevels);
  EXPECT_EQ(6u, desc.ArraySize);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, desc.Format);
  for (UINT face = 0; face < 6; ++face) {
    uint32_t rgba = Rgba(face * 40, 255 - face * 40, face);
    for (UINT level = 0; level < 3; ++level) {
      EXPECT_EQ(rgba, Read(cube.Get(), D3D10CalcSubresource(level, face, 3))[0]) << face << " " << level;
    }
  }
  D3D10_SHADER_RESOURCE_VIEW_DESC view = {};
  view.ViewDimension = D3D10_SRV_DIMENSION_TEXTURECUBE;
  view.TextureCube = {0, desc.MipLevels};
  Ref<ID3D10ShaderResourceView> cubeView;
  EXPECT_EQ(S_OK, device->CreateShaderResourceView(cube.Get(), &view, cubeView.Put()));
}

TEST_F(DdsTest, ExtendedHeaderCubesAndArrays) {
  std::string faces;
  for (uint32_t face = 0; face < 6; ++face) faces += DdsFill(4, Rgba(face, 0, 0));
  std::string cubePath = Write("cube10.dds", DdsDx10(2, 2, 1, DXGI_FORMAT_R8G8B8A8_UNORM, faces, 1, true));
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo(D3D10_RESOURCE_MISC_TEXTURECUBE);
  load.MipLevels = D3DX10_FROM_FILE;
  Ref<ID3D10Texture2D> cube = Load(cubePath, &load);
  ASSERT_TRUE(cube);
  for (UINT face = 0; face < 6; ++face) EXPECT_EQ(Rgba(face, 0, 0), Read(cube.Get(), face)[3]);

  std::string slices = DdsFill(4, 1.0f) + DdsFill(4, 2.0f) + DdsFill(4, 3.0f);
  std::string arrayPath = Write("array.dds", DdsDx10(2, 2, 1, DXGI_FORMAT_R32_FLOAT, slices, 3));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(arrayPath, &info));
  EXPECT_EQ(3u, info.ArraySize);
  EXPECT_EQ(0u, info.MiscFlags);
  Ref<ID3D10Texture2D> array = Load(arrayPath, nullptr);
  ASSERT_TRUE(array);
  EXPECT_EQ(3.0f, Read<float>(array.Get(), D3D10CalcSubresource(0, 2, 2))[0]);
}

TEST_F(DdsTest, BlockCompressedChainsStayCompressedOrDecode) {
  // 8x8 of red, green, blue and white blocks; the smaller levels one block each.
  std::string blocks = DdsFill(1, SolidBlock(0xF800)) + DdsFill(1, SolidBlock(0x07E0)) +
                       DdsFill(1, SolidBlock(0x001F)) + DdsFill(1, SolidBlock(0xFFFF)) +
                       DdsFill(1, SolidBlock(0x07E0)) + DdsFill(1, SolidBlock(0x001F)) + DdsFill(1, SolidBlock(0xF800));
  std::string path = Write("blocks.dds", DdsLegacy(8, 8, 4, DdsCompressed("DXT1"), blocks));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(DXGI_FORMAT_BC1_UNORM, info.Format);
  EXPECT_EQ(4u, info.MipLevels);

  // As stored: the same blocks, which the GPU decodes.
  D3DX10_IMAGE_LOAD_INFO load;
  load.MipLevels = D3DX10_FROM_FILE;
  Ref<ID3D10Texture2D> compressed = Load(path, &load);
  ASSERT_TRUE(compressed);
  std::vector<uint8_t> top = ReadBytes(compressed.Get(), 0);
  EXPECT_EQ(blocks.substr(0, 32), std::string(top.begin(), top.end()));
  std::vector<uint8_t> last = ReadBytes(compressed.Get(), 3);
  EXPECT_EQ(blocks.substr(48, 8), std::string(last.begin(), last.end()));
  std::vector<uint32_t> sampled = Sample(compressed.Get());
  EXPECT_EQ(Rgba(255, 0, 0), sampled[0]);
  EXPECT_EQ(Rgba(0, 255, 0), sampled[7]);
  EXPECT_EQ(Rgba(0, 0, 255), sampled[56]);
  EXPECT_EQ(Rgba(255, 255, 255), sampled[63]);

  // As the engine asks: decoded to RGBA8, texel for texel the same.
  D3DX10_IMAGE_LOAD_INFO engine = EngineLoadInfo();
  Ref<ID3D10Texture2D> decoded = Load(path, &engine);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(sampled, Read(decoded.Get()));
  EXPECT_EQ(Rgba(255, 0, 0), Read(decoded.Get(), 3)[0]);

  // The extended header names BC3 directly.
  std::string bc3 = DdsFill(16, uint8_t{0xFF});
  Ref<ID3D10Texture2D> fromDx10 = Load(Write("bc3.dds", DdsDx10(4, 4, 1, DXGI_FORMAT_BC3_UNORM, bc3)), nullptr);
  ASSERT_TRUE(fromDx10);
  D3D10_TEXTURE2D_DESC desc;
  fromDx10->GetDesc(&desc);
  EXPECT_EQ(DXGI_FORMAT_BC3_UNORM, desc.Format);
}

TEST_F(DdsTest, LegacyPixelFormatsWidenOrMapToTheirTwins) {
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  load.MipLevels = 1;
  auto loadTexels = [&](const DdsPixelFormat& pf, const std::string& texels, UINT width) {
    return Read(Load(Write("legacy.dds", DdsLegacy(width, 1, 1, pf, texels)), &load).Get());
  };
  // 5:6:5, 24-bit RGB and X8R8G8B8 widen to RGBA8 with opaque alpha.
  EXPECT_EQ((std::vector<uint32_t>{Rgba(255, 0, 0), Rgba(0, 255, 0)}),
            loadTexels(DdsMasks(kDdsRgbFlag, 16, 0xF800, 0x07E0, 0x001F, 0),
                       DdsFill(1, uint16_t{0xF800}) + DdsFill(1, uint16_t{0x07E0}), 2));
  EXPECT_EQ((std::vector<uint32_t>{Rgba(30, 20, 10)}),
            loadTexels(DdsMasks(kDdsRgbFlag, 24, 0xFF0000, 0xFF00, 0xFF, 0), std::string("\x0a\x14\x1e", 3), 1));
  EXPECT_EQ((std::vector<uint32_t>{Rgba(3, 2, 1)}),
            loadTexels(DdsMasks(kDdsRgbFlag, 32, 0xFF0000, 0xFF00, 0xFF, 0), DdsFill(1, 0x12030201u), 1));
  // Four-bit alpha and colour.
  EXPECT_EQ((std::vector<uint32_t>{Rgba(255, 0, 136, 17)}),
            loadTexels(DdsMasks(kDdsRgbFlag | kDdsAlphaPixels, 16, 0x0F00, 0x00F0, 0x000F, 0xF000),
                       DdsFill(1, uint16_t{0x1F08}), 1));

  // Luminance maps to R8_UNORM as it is.
  std::string path = Write("luminance.dds", DdsLegacy(2, 1, 1, DdsMasks(kDdsLuminance, 8, 0xFF, 0, 0, 0), "\x10\x20"));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(DXGI_FORMAT_R8_UNORM, info.Format);
  EXPECT_EQ((std::vector<uint32_t>{Rgba(16, 0, 0), Rgba(32, 0, 0)}), Read(Load(path, &load).Get()));
}

TEST_F(DdsTest, OneDimensionalTextures) {
  std::string path = Write("line.dds", DdsDx10(4, 1, 1, DXGI_FORMAT_R32_FLOAT, DdsFill(4, 0.5f) + DdsFill(4, 0.75f), 2,
                                               false, D3D10_RESOURCE_DIMENSION_TEXTURE1D));
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(D3D10_RESOURCE_DIMENSION_TEXTURE1D, info.ResourceDimension);
  EXPECT_EQ(2u, info.ArraySize);
  Ref<ID3D10Resource> resource;
  ASSERT_EQ(S_OK, D3DX10CreateTextureFromFileA(device.Get(), path.c_str(), nullptr, nullptr, resource.Put(), nullptr));
  Ref<ID3D10Texture1D> line;
  ASSERT_EQ(S_OK, resource->QueryInterface(IID_ID3D10Texture1D, reinterpret_cast<void**>(line.Put())));
  D3D10_TEXTURE1D_DESC desc;
  line->GetDesc(&desc);
  EXPECT_EQ(4u, desc.Width);
  EXPECT_EQ(3u, desc.MipLevels);
  D3D10_TEXTURE1D_DESC stagingDesc = {4, 1, 1, DXGI_FORMAT_R32_FLOAT, D3D10_USAGE_STAGING, 0, D3D10_CPU_ACCESS_READ, 0};
  Ref<ID3D10Texture1D> staging;
  ASSERT_EQ(S_OK, device->CreateTexture1D(&stagingDesc, nullptr, staging.Put()));
  device->CopySubresourceRegion(staging.Get(), 0, 0, 0, 0, line.Get(), D3D10CalcSubresource(0, 1, 3), nullptr);
  void* texels = nullptr;
  ASSERT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &texels));
  EXPECT_EQ(0.75f, static_cast<float*>(texels)[3]);
  staging->Unmap(0);
}

// Damaged files: the result of reading their description and of loading them.
struct DamagedCase {
  const char* name;
  std::string (*bytes)();
  HRESULT expected;
};

std::string Rgba8(uint32_t width, uint32_t height, uint32_t mips, std::size_t texels) {
  return DdsDx10(width, height, mips, DXGI_FORMAT_R8G8B8A8_UNORM, DdsFill(texels, 0u));
}

std::string WithWord(std::string bytes, std::size_t offset, uint32_t value) {
  std::memcpy(&bytes[offset], &value, 4);
  return bytes;
}

// Offsets of header fields in the file.
constexpr std::size_t kHeaderSize = 4, kHeight = 12, kWidth = 16, kMipCount = 28, kFourCC = 84, kRgbBits = 88;
constexpr std::size_t kRedMask = 92, kDx10Format = 128, kDx10Dimension = 132, kDx10ArraySize = 140;

const DamagedCase kDamagedCases[] = {
    {"Empty", [] { return std::string(); }, D3DX10_ERR_INVALID_DATA},
    {"WrongMagic", [] { return "DDX" + Rgba8(4, 4, 1, 16).substr(3); }, D3DX10_ERR_INVALID_DATA},
    {"ShortHeader", [] { return Rgba8(4, 4, 1, 16).substr(0, 100); }, D3DX10_ERR_INVALID_DATA},
    {"WrongHeaderSize", [] { return WithWord(Rgba8(4, 4, 1, 16), kHeaderSize, 100); }, D3DX10_ERR_INVALID_DATA},
    {"TexelsCutShort", [] { return Rgba8(4, 4, 1, 15); }, D3DX10_ERR_INVALID_DATA},
    {"MipCountPastTheChain", [] { return Rgba8(4, 4, 4, 22); }, D3DX10_ERR_INVALID_DATA},
    {"MipCountPastTheBytes", [] { return Rgba8(4, 4, 3, 16); }, D3DX10_ERR_INVALID_DATA},
    {"HugeMipCount", [] { return WithWord(Rgba8(4, 4, 1, 16), kMipCount, 0xFFFFFFFF); }, D3DX10_ERR_INVALID_DATA},
    {"ZeroWidth", [] { return WithWord(Rgba8(4, 4, 1, 16), kWidth, 0); }, D3DX10_ERR_INVALID_DATA},
    {"HugeSize", [] { return WithWord(WithWord(Rgba8(4, 4, 1, 16), kWidth, 1u << 30), kHeight, 1u << 30); },
     D3DX10_ERR_INVALID_DATA},
    {"UnknownFourCC", [] { return DdsLegacy(4, 4, 1, DdsCompressed("ABCD"), std::string(64, 0)); },
     D3DX10_ERR_INVALID_DATA},
    {"UnknownDxgiFormat", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10Format, 200); }, D3DX10_ERR_INVALID_DATA},
    {"FormatWithoutReader", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10Format, DXGI_FORMAT_BC7_UNORM); },
     D3DX10_ERR_INVALID_DATA},
    {"ZeroArraySize", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10ArraySize, 0); }, D3DX10_ERR_INVALID_DATA},
    {"HugeArraySize", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10ArraySize, 0x40000000); }, D3DX10_ERR_INVALID_DATA},
    {"UnknownDimension", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10Dimension, 7); }, D3DX10_ERR_INVALID_DATA},
    {"ExtendedHeaderCut", [] { return Rgba8(4, 4, 1, 16).substr(0, 140); }, D3DX10_ERR_INVALID_DATA},
    {"TallLine",
     [] {
       return DdsDx10(4, 2, 1, DXGI_FORMAT_R8_UNORM, std::string(8, 0), 1, false, D3D10_RESOURCE_DIMENSION_TEXTURE1D);
     },
     D3DX10_ERR_INVALID_DATA},
    {"CubeNotSquare", [] { return DdsDx10(4, 2, 1, DXGI_FORMAT_R8_UNORM, std::string(48, 0), 1, true); },
     D3DX10_ERR_INVALID_DATA},
    {"PartialCube", [] { return DdsLegacy(2, 2, 1, kArgb8, std::string(96, 0), 0x200 | 0x400); },
     D3DX10_ERR_INVALID_DATA},
    {"OverlappingMasks",
     [] { return DdsLegacy(1, 1, 1, DdsMasks(kDdsRgbFlag, 32, 0xFFFF, 0xFF00, 0xFF0000, 0), std::string(4, 0)); },
     D3DX10_ERR_INVALID_DATA},
    {"MaskBeyondTheTexel",
     [] { return DdsLegacy(1, 1, 1, DdsMasks(kDdsRgbFlag, 16, 0xFF0000, 0xFF00, 0xFF, 0), std::string(4, 0)); },
     D3DX10_ERR_INVALID_DATA},
    {"NoChannels", [] { return DdsLegacy(1, 1, 1, DdsMasks(kDdsRgbFlag, 32, 0, 0, 0, 0), std::string(4, 0)); },
     D3DX10_ERR_INVALID_DATA},
    {"OddBitCount", [] { return WithWord(DdsLegacy(1, 1, 1, kArgb8, std::string(4, 0)), kRgbBits, 12); },
     D3DX10_ERR_INVALID_DATA},
    {"SplitMask", [] { return WithWord(DdsLegacy(1, 1, 1, kArgb8, std::string(4, 0)), kRedMask, 0x00F0F000); },
     D3DX10_ERR_INVALID_DATA},
    {"LegacyFourCCZero",
     [] { return WithWord(DdsLegacy(4, 4, 1, DdsCompressed("DXT1"), std::string(8, 0)), kFourCC, 0); },
     D3DX10_ERR_INVALID_DATA},
    {"Volume", [] { return DdsHeaderBytes(2, 2, 1, kArgb8, kDdsVolume, 2) + std::string(32, 0); }, E_FAIL},
    {"ExtendedVolume", [] { return WithWord(Rgba8(4, 4, 1, 16), kDx10Dimension, 4); }, E_FAIL},
};

class DamagedDdsTest : public LoaderTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedDdsTest, InfoAndLoadRefuse) {
  std::string path = Write("damaged.dds", GetParam().bytes());
  D3DX10_IMAGE_INFO info = {};
  HRESULT async = S_OK;
  EXPECT_EQ(GetParam().expected, D3DX10GetImageInfoFromFileA(path.c_str(), nullptr, &info, &async));
  EXPECT_EQ(GetParam().expected, async);
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  Load(path, &load, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedDdsTest, ::testing::ValuesIn(kDamagedCases),
                         [](const ::testing::TestParamInfo<DamagedCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
