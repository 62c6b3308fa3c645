// PNG, JPEG, BMP, TGA and HDR files written by the tests, loaded through the
// engine's load information and compared pixel for pixel; conversions, mip
// chains, sizes and the rules of the load information.
#include <cmath>

#include "LoaderFixture.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace {

void Append(void* context, void* data, int size) {
  static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<std::size_t>(size));
}

// RGBA8 pixels, rows top first, in a file format stb_image_write writes.
// JPEG comes from a file written once by stb_image_write from SmoothPicture,
// whose JPEG writer is not free of undefined behaviour.
enum class Kind { kPng, kBmp, kTga, kJpg };

std::vector<uint32_t> SmoothPicture() {
  std::vector<uint32_t> pixels(15);
  for (UINT i = 0; i < 15; ++i) pixels[i] = Rgba(40 + (i % 5) * 8, 90, 200 - (i / 5) * 8);
  return pixels;
}

std::string Encode(Kind kind, const std::vector<uint32_t>& rgba, int width, int height) {
  std::string out;
  switch (kind) {
    case Kind::kPng:
      stbi_write_png_to_func(Append, &out, width, height, 4, rgba.data(), width * 4);
      break;
    case Kind::kBmp:
      stbi_write_bmp_to_func(Append, &out, width, height, 4, rgba.data());
      break;
    case Kind::kTga:
      stbi_write_tga_to_func(Append, &out, width, height, 4, rgba.data());
      break;
    case Kind::kJpg: {
      std::string source = __FILE__;
      out = ReadFileBytes(source.substr(0, source.rfind('/')) + "/data/smooth-5x3.jpg");
      break;
    }
  }
  return out;
}

// A 5x3 image of distinct texels.
std::vector<uint32_t> Pattern(UINT width = 5, UINT height = 3) {
  std::vector<uint32_t> texels(width * height);
  for (UINT i = 0; i < texels.size(); ++i) texels[i] = Rgba(i * 13 % 256, 255 - i * 7, i * 29 % 256, 255 - i);
  return texels;
}

struct FileCase {
  const char* name;
  Kind kind;
  D3DX10_IMAGE_FILE_FORMAT fileFormat;
  int tolerance;  // per channel; JPEG is lossy
};

const FileCase kFileCases[] = {
    {"Png", Kind::kPng, D3DX10_IFF_PNG, 0},
    {"Bmp", Kind::kBmp, D3DX10_IFF_BMP, 0},
    {"Tga", Kind::kTga, static_cast<D3DX10_IMAGE_FILE_FORMAT>(2), 0},
    {"Jpeg", Kind::kJpg, D3DX10_IFF_JPG, 24},
};

class FileFormatTest : public LoaderTest, public ::testing::WithParamInterface<FileCase> {};

TEST_P(FileFormatTest, LoadsAsWrittenWithAWholeMipChain) {
  const FileCase& c = GetParam();
  // JPEG keeps no alpha and blurs edges: a smooth opaque picture for it.
  std::vector<uint32_t> pixels = c.kind == Kind::kJpg ? SmoothPicture() : Pattern();
  std::string path = Write("image", Encode(c.kind, pixels, 5, 3));

  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(5u, info.Width);
  EXPECT_EQ(3u, info.Height);
  EXPECT_EQ(1u, info.MipLevels);
  EXPECT_EQ(1u, info.ArraySize);
  EXPECT_EQ(0u, info.MiscFlags);
  EXPECT_EQ(DXGI_FORMAT_R8G8B8A8_UNORM, info.Format);
  EXPECT_EQ(D3D10_RESOURCE_DIMENSION_TEXTURE2D, info.ResourceDimension);
  EXPECT_EQ(c.fileFormat, info.ImageFileFormat);

  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  Ref<ID3D10Texture2D> texture = Load(path, &load);
  ASSERT_TRUE(texture);
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  EXPECT_EQ(3u, desc.MipLevels);  // 5x3, 2x1, 1x1
  EXPECT_EQ(D3D10_USAGE_IMMUTABLE, desc.Usage);
  std::vector<uint32_t> top = Read(texture.Get());
  ASSERT_EQ(pixels.size(), top.size());
  for (UINT i = 0; i < top.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      ASSERT_NEAR(static_cast<int>((pixels[i] >> shift) & 0xFF), static_cast<int>((top[i] >> shift) & 0xFF),
                  c.tolerance)
          << "texel " << i << " channel " << shift / 8;
    }
  }
  // Level 1 averages 2x2 texels of level 0.
  uint32_t expected = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t sum = 0;
    for (UINT i : {0u, 1u, 5u, 6u}) sum += (top[i] >> shift) & 0xFF;
    expected |= ((sum + 2) / 4) << shift;
  }
  EXPECT_EQ(expected, Read(texture.Get(), 1)[0]);
  EXPECT_EQ(1u, Read(texture.Get(), 2).size());
}

INSTANTIATE_TEST_SUITE_P(Files, FileFormatTest, ::testing::ValuesIn(kFileCases),
                         [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

using ImageFileTest = LoaderTest;

TEST_F(ImageFileTest, HdrLoadsAsFloats) {
  const float pixels[] = {1.0f, 0.5f, 0.25f, 4.0f, 2.0f, 1.0f};
  std::string bytes;
  stbi_write_hdr_to_func(Append, &bytes, 2, 1, 3, pixels);
  std::string path = Write("sky.hdr", bytes);
  D3DX10_IMAGE_INFO info = {};
  ASSERT_EQ(S_OK, Info(path, &info));
  EXPECT_EQ(DXGI_FORMAT_R32G32B32A32_FLOAT, info.Format);
  EXPECT_EQ(7, info.ImageFileFormat);
  D3DX10_IMAGE_LOAD_INFO load;
  load.MipLevels = 1;
  Ref<ID3D10Texture2D> texture = Load(path, &load);
  ASSERT_TRUE(texture);
  std::vector<float> texels = Read<float>(texture.Get());
  ASSERT_EQ(8u, texels.size());
  EXPECT_FLOAT_EQ(0.25f, texels[2]);
  EXPECT_FLOAT_EQ(4.0f, texels[4]);
  EXPECT_FLOAT_EQ(1.0f, texels[7]);
  // Asked for as half floats, the same values.
  load.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
  texture = Load(path, &load);
  std::vector<uint16_t> halves = Read<uint16_t>(texture.Get());
  EXPECT_EQ(0x4400u, halves[4]);  // 4.0
  EXPECT_EQ(0x3400u, halves[2]);  // 0.25
}

// The same picture converted to other formats on load.
TEST_F(ImageFileTest, ConvertsToTheRequestedFormat) {
  std::vector<uint32_t> pixels(16, Rgba(255, 0, 0));
  for (UINT i = 8; i < 16; ++i) pixels[i] = Rgba(0, 0, 255, 128);
  std::string path = Write("quad.png", Encode(Kind::kPng, pixels, 4, 4));
  D3DX10_IMAGE_LOAD_INFO load;
  load.MipLevels = 1;

  load.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  EXPECT_EQ(0xFFFF0000u, Read(Load(path, &load).Get())[0]);  // bytes 00 00 FF FF
  load.Format = DXGI_FORMAT_R16G16B16A16_UNORM;
  std::vector<uint16_t> wide = Read<uint16_t>(Load(path, &load).Get());
  EXPECT_EQ((std::vector<uint16_t>{0xFFFF, 0, 0, 0xFFFF}), std::vector<uint16_t>(wide.begin(), wide.begin() + 4));
  EXPECT_EQ(0x8080u, wide[8 * 4 + 3]);
  load.Format = DXGI_FORMAT_R10G10B10A2_UNORM;
  EXPECT_EQ(0x3FFu | 3u << 30, Read(Load(path, &load).Get())[0]);
  load.Format = DXGI_FORMAT_R8_UNORM;
  EXPECT_EQ(255u, Read<uint8_t>(Load(path, &load).Get())[0]);

  // Block formats, read back through a shader.
  for (DXGI_FORMAT format : {DXGI_FORMAT_BC1_UNORM, DXGI_FORMAT_BC2_UNORM, DXGI_FORMAT_BC3_UNORM}) {
    load.Format = format;
    Ref<ID3D10Texture2D> texture = Load(path, &load);
    ASSERT_TRUE(texture) << format;
    std::vector<uint32_t> sampled = Sample(texture.Get());
    EXPECT_EQ(Rgba(255, 0, 0), sampled[0]) << format;
    if (format == DXGI_FORMAT_BC1_UNORM) continue;
    EXPECT_EQ(Rgba(0, 0, 255), sampled[15] | 0xFF000000u) << format;
    EXPECT_NEAR(128, static_cast<int>(sampled[15] >> 24), 9) << format;
  }

  // Formats without a conversion: integer and depth formats.
  load.Format = DXGI_FORMAT_R8G8B8A8_UINT;
  Load(path, &load, E_INVALIDARG);
  load.Format = DXGI_FORMAT_D32_FLOAT;
  Load(path, &load, E_INVALIDARG);
}

TEST_F(ImageFileTest, MipLevelsAsAsked) {
  // Quadrants of four colours: level 1 holds them, level 2 their average.
  std::vector<uint32_t> pixels(16);
  const uint32_t quadrants[] = {Rgba(200, 0, 0), Rgba(0, 200, 0), Rgba(0, 0, 200), Rgba(200, 200, 200)};
  for (UINT i = 0; i < 16; ++i) pixels[i] = quadrants[(i / 8) * 2 + (i % 4) / 2];
  std::string path = Write("quadrants.png", Encode(Kind::kPng, pixels, 4, 4));
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  Ref<ID3D10Texture2D> texture = Load(path, &load);
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  ASSERT_EQ(3u, desc.MipLevels);
  EXPECT_EQ(std::vector<uint32_t>(quadrants, quadrants + 4), Read(texture.Get(), 1));
  EXPECT_EQ(Rgba(100, 100, 100), Read(texture.Get(), 2)[0]);

  // The file's levels only; a number of levels; more than the chain is refused.
  load.MipLevels = D3DX10_FROM_FILE;
  Load(path, &load)->GetDesc(&desc);
  EXPECT_EQ(1u, desc.MipLevels);
  load.MipLevels = 2;
  Load(path, &load)->GetDesc(&desc);
  EXPECT_EQ(2u, desc.MipLevels);
  load.MipLevels = 4;
  Load(path, &load, E_INVALIDARG);

  // Point filtering keeps the first texel of each 2x2.
  load.MipLevels = 3;
  load.MipFilter = D3DX10_FILTER_POINT;
  EXPECT_EQ(quadrants[0], Read(Load(path, &load).Get(), 2)[0]);
  // A half-float chain filters the same way.
  load.MipFilter = D3DX10_DEFAULT;
  load.Format = DXGI_FORMAT_R16G16B16A16_FLOAT;
  std::vector<uint16_t> last = Read<uint16_t>(Load(path, &load).Get(), 2);
  EXPECT_NEAR(0.392f, std::ldexp(1.0f + (last[0] & 0x3FF) / 1024.0f, ((last[0] >> 10) & 0x1F) - 15), 0.002f);
}

TEST_F(ImageFileTest, SizesAndTopLevelFromTheLoadInformation) {
  std::vector<uint32_t> pixels(16);
  for (UINT i = 0; i < 16; ++i) pixels[i] = (i % 4) < 2 ? Rgba(0, 0, 0) : Rgba(200, 100, 40);
  std::string path = Write("halves.png", Encode(Kind::kPng, pixels, 4, 4));
  D3DX10_IMAGE_LOAD_INFO load;
  load.Width = 2;
  load.Height = 2;
  load.MipLevels = 1;
  Ref<ID3D10Texture2D> texture = Load(path, &load);
  D3D10_TEXTURE2D_DESC desc;
  texture->GetDesc(&desc);
  EXPECT_EQ(2u, desc.Width);
  EXPECT_EQ((std::vector<uint32_t>{Rgba(0, 0, 0), Rgba(200, 100, 40), Rgba(0, 0, 0), Rgba(200, 100, 40)}),
            Read(texture.Get()));
  // The source information comes back; usage, binding and access follow one another.
  D3DX10_IMAGE_INFO source = {};
  load.Width = load.Height = D3DX10_DEFAULT;
  load.pSrcInfo = &source;
  load.Usage = D3D10_USAGE_STAGING;
  texture = Load(path, &load);
  texture->GetDesc(&desc);
  EXPECT_EQ(4u, source.Width);
  EXPECT_EQ(D3DX10_IFF_PNG, source.ImageFileFormat);
  EXPECT_EQ(0u, desc.BindFlags);
  EXPECT_EQ(UINT(D3D10_CPU_ACCESS_READ | D3D10_CPU_ACCESS_WRITE), desc.CPUAccessFlags);
  load.Usage = D3D10_USAGE_DYNAMIC;
  load.pSrcInfo = nullptr;
  Load(path, &load)->GetDesc(&desc);
  EXPECT_EQ(UINT(D3D10_BIND_SHADER_RESOURCE), desc.BindFlags);
  EXPECT_EQ(UINT(D3D10_CPU_ACCESS_WRITE), desc.CPUAccessFlags);
  // No load information at all: the whole chain of a default texture in the file's format.
  Ref<ID3D10Texture2D> plain = Load(path, nullptr);
  plain->GetDesc(&desc);
  EXPECT_EQ(3u, desc.MipLevels);
  EXPECT_EQ(D3D10_USAGE_DEFAULT, desc.Usage);
}

// Load information and files the loader refuses.
struct RefusalCase {
  const char* name;
  void (*change)(D3DX10_IMAGE_LOAD_INFO&);
  HRESULT expected;
};

const RefusalCase kRefusalCases[] = {
    {"UnknownFilter", [](D3DX10_IMAGE_LOAD_INFO& l) { l.Filter = 0x77; }, E_INVALIDARG},
    {"UnknownFilterFlag", [](D3DX10_IMAGE_LOAD_INFO& l) { l.MipFilter = D3DX10_FILTER_BOX | 0x1000; }, E_INVALIDARG},
    {"TopLevelPastTheFile", [](D3DX10_IMAGE_LOAD_INFO& l) { l.FirstMipLevel = 1; }, E_INVALIDARG},
    {"LargerThanATexture", [](D3DX10_IMAGE_LOAD_INFO& l) { l.Width = 8193; }, E_INVALIDARG},
    {"CubeOfAPicture", [](D3DX10_IMAGE_LOAD_INFO& l) { l.MiscFlags = D3D10_RESOURCE_MISC_TEXTURECUBE; }, E_INVALIDARG},
    {"DynamicChain", [](D3DX10_IMAGE_LOAD_INFO& l) { l.Usage = D3D10_USAGE_DYNAMIC; }, E_INVALIDARG},
    {"UnknownFormat", [](D3DX10_IMAGE_LOAD_INFO& l) { l.Format = static_cast<DXGI_FORMAT>(200); }, E_INVALIDARG},
};

class RefusalTest : public LoaderTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, LoadAnswers) {
  std::string path = Write("picture.png", Encode(Kind::kPng, Pattern(), 5, 3));
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  GetParam().change(load);
  Load(path, &load, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(LoadInformation, RefusalTest, ::testing::ValuesIn(kRefusalCases),
                         [](const ::testing::TestParamInfo<RefusalCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(ImageFileTest, DamagedAndMissingFiles) {
  std::string png = Encode(Kind::kPng, Pattern(), 5, 3);
  D3DX10_IMAGE_INFO info = {};
  D3DX10_IMAGE_LOAD_INFO load = EngineLoadInfo();
  // Missing files, directories and empty files.
  EXPECT_EQ(D3D10_ERROR_FILE_NOT_FOUND, Info(dir.File("missing.png"), &info));
  Load(dir.File("missing.png"), &load, D3D10_ERROR_FILE_NOT_FOUND);
  Load(dir.Path(), &load, D3D10_ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(D3DX10_ERR_INVALID_DATA, Info(Write("empty.png", ""), &info));
  // A PNG cut after its header: the header reads, the pixels do not.
  std::string cut = Write("cut.png", png.substr(0, 40));
  EXPECT_EQ(S_OK, Info(cut, &info));
  Load(cut, &load, D3DX10_ERR_INVALID_DATA);
  // A PNG whose header claims more pixels than its bytes can hold.
  std::string huge = png;
  const char size[] = {0, 0, 0x40, 0};  // 16384
  huge.replace(16, 4, size, 4);
  huge.replace(20, 4, size, 4);
  EXPECT_EQ(D3DX10_ERR_INVALID_DATA, Info(Write("huge.png", huge), &info));
  // Garbage, and formats stb_image reads but the loader does not.
  EXPECT_EQ(D3DX10_ERR_INVALID_DATA, Info(Write("noise.bin", std::string(64, '\x5a')), &info));
  std::string gif;
  for (const char* part : {"GIF89a", "\x01\x00\x01\x00\x00\x00\x00"}) gif += part;
  EXPECT_EQ(D3DX10_ERR_INVALID_DATA, Info(Write("image.gif", gif), &info));
  Load(Write("image.gif", gif), &load, D3DX10_ERR_INVALID_DATA);
  // Null arguments.
  EXPECT_EQ(E_INVALIDARG, D3DX10GetImageInfoFromFileA(cut.c_str(), nullptr, nullptr, nullptr));
  Ref<ID3D10Resource> resource;
  EXPECT_EQ(E_INVALIDARG, D3DX10CreateTextureFromFileA(nullptr, cut.c_str(), &load, nullptr, resource.Put(), nullptr));
  EXPECT_EQ(D3D10_ERROR_FILE_NOT_FOUND,
            D3DX10CreateTextureFromFileA(device.Get(), nullptr, &load, nullptr, resource.Put(), nullptr));
}

}  // namespace

// A texture saved as PNG or BMP loads back texel for texel; BGRA texels are
// written in RGBA order; formats the writer does not know are refused.
TEST_F(ImageFileTest, SavedTexturesLoadBack) {
  const UINT width = 5, height = 3;
  std::vector<uint32_t> texels(width * height);
  for (UINT i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | (i * 0x00102030u);
  D3D10_TEXTURE2D_DESC desc = {width, height, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                               D3D10_BIND_SHADER_RESOURCE, 0, 0};
  D3D10_SUBRESOURCE_DATA data = {texels.data(), width * 4, 0};
  Ref<ID3D10Texture2D> texture;
  ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, &data, texture.Put()));

  for (D3DX10_IMAGE_FILE_FORMAT format : {D3DX10_IFF_PNG, D3DX10_IFF_BMP}) {
    std::string path = dir.File(format == D3DX10_IFF_PNG ? "saved.png" : "saved.bmp");
    ASSERT_EQ(S_OK, D3DX10SaveTextureToFileA(texture.Get(), format, path.c_str()));
    D3DX10_IMAGE_LOAD_INFO info = EngineLoadInfo();
    info.MipLevels = 1;
    Ref<ID3D10Texture2D> loaded = Load(path, &info);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(texels, Read(loaded.Get()));
  }

  desc.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  Ref<ID3D10Texture2D> bgra;
  ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, &data, bgra.Put()));
  std::string path = dir.File("bgra.png");
  ASSERT_EQ(S_OK, D3DX10SaveTextureToFileA(bgra.Get(), D3DX10_IFF_PNG, path.c_str()));
  D3DX10_IMAGE_LOAD_INFO info = EngineLoadInfo();
  info.MipLevels = 1;
  std::vector<uint32_t> swapped = Read(Load(path, &info).Get());
  ASSERT_EQ(swapped.size(), texels.size());
  EXPECT_EQ(swapped[7], (texels[7] & 0xFF00FF00u) | ((texels[7] >> 16) & 0xFF) | ((texels[7] & 0xFF) << 16));

  EXPECT_EQ(E_NOTIMPL, D3DX10SaveTextureToFileA(texture.Get(), D3DX10_IFF_DDS, dir.File("x.dds").c_str()));
  EXPECT_EQ(E_FAIL, D3DX10SaveTextureToFileA(texture.Get(), D3DX10_IFF_PNG, dir.File("missing/x.png").c_str()));
  desc.Format = DXGI_FORMAT_R32_FLOAT;
  Ref<ID3D10Texture2D> floats;
  ASSERT_EQ(S_OK, device->CreateTexture2D(&desc, nullptr, floats.Put()));
  EXPECT_EQ(E_INVALIDARG, D3DX10SaveTextureToFileA(floats.Get(), D3DX10_IFF_PNG, dir.File("f.png").c_str()));
}
