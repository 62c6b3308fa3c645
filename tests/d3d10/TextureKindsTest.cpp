// 1D, volume, array, cube and multisampled textures and their views: the
// creation and view rules as tables, and clears, copies, updates and
// generated mips of every kind read back through staging textures.
#include <cmath>

#include "D3D10Fixture.h"

namespace {

constexpr UINT SR = D3D10_BIND_SHADER_RESOURCE, RT = D3D10_BIND_RENDER_TARGET, DS = D3D10_BIND_DEPTH_STENCIL;
constexpr UINT kAll = UINT(-1);

// A texture of any kind, as the tables name it.
struct Shape {
  D3D10_RESOURCE_DIMENSION dimension;
  DXGI_FORMAT format;
  UINT bind;
  UINT layers = 1;   // array size; volumes: depth
  UINT samples = 1;
  bool cube = false;
  UINT mips = 1;
  UINT size = 8;
};

constexpr D3D10_RESOURCE_DIMENSION k1D = D3D10_RESOURCE_DIMENSION_TEXTURE1D;
constexpr D3D10_RESOURCE_DIMENSION k2D = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
constexpr D3D10_RESOURCE_DIMENSION k3D = D3D10_RESOURCE_DIMENSION_TEXTURE3D;

Shape Plain(DXGI_FORMAT format, UINT bind) { return {k2D, format, bind}; }
Shape Array(DXGI_FORMAT format, UINT bind, UINT layers) { return {k2D, format, bind, layers}; }
Shape Cube(DXGI_FORMAT format, UINT bind) { return {k2D, format, bind, 6, 1, true}; }
Shape Multisampled(DXGI_FORMAT format, UINT bind, UINT layers = 1) { return {k2D, format, bind, layers, 4}; }
Shape Line(DXGI_FORMAT format, UINT bind, UINT layers = 1) { return {k1D, format, bind, layers}; }
Shape Volume(DXGI_FORMAT format, UINT bind, UINT depth = 4) { return {k3D, format, bind, depth}; }

class TextureKindsTest : public D3D10Test {
 protected:
  HRESULT Create(const Shape& s, Ref<ID3D10Resource>* out, D3D10_USAGE usage = D3D10_USAGE_DEFAULT, UINT cpu = 0,
                 const D3D10_SUBRESOURCE_DATA* data = nullptr) {
    HRESULT hr = E_FAIL;
    if (s.dimension == k1D) {
      D3D10_TEXTURE1D_DESC desc = {s.size, s.mips, s.layers, s.format, usage, s.bind, cpu, 0};
      Ref<ID3D10Texture1D> texture;
      hr = device->CreateTexture1D(&desc, data, texture.Put());
      if (texture) texture->QueryInterface(IID_ID3D10Resource, reinterpret_cast<void**>(out->Put()));
    } else if (s.dimension == k3D) {
      D3D10_TEXTURE3D_DESC desc = {s.size, s.size, s.layers, s.mips, s.format, usage, s.bind, cpu, 0};
      Ref<ID3D10Texture3D> texture;
      hr = device->CreateTexture3D(&desc, data, texture.Put());
      if (texture) texture->QueryInterface(IID_ID3D10Resource, reinterpret_cast<void**>(out->Put()));
    } else {
      D3D10_TEXTURE2D_DESC desc = TextureDesc(s.size, s.size, s.format, s.bind, usage, cpu, s.mips);
      desc.ArraySize = s.layers;
      desc.SampleDesc.Count = s.samples;
      desc.MiscFlags = s.cube ? D3D10_RESOURCE_MISC_TEXTURECUBE : 0;
      Ref<ID3D10Texture2D> texture;
      hr = device->CreateTexture2D(&desc, data, texture.Put());
      if (texture) texture->QueryInterface(IID_ID3D10Resource, reinterpret_cast<void**>(out->Put()));
    }
    return hr;
  }

  // Immutable with data, else default and undefined.
  Ref<ID3D10Resource> Make(const Shape& s, const D3D10_SUBRESOURCE_DATA* data = nullptr) {
    Ref<ID3D10Resource> resource;
    EXPECT_EQ(S_OK, Create(s, &resource, data ? D3D10_USAGE_IMMUTABLE : D3D10_USAGE_DEFAULT, 0, data));
    return resource;
  }

  // A default texture whose every subresource starts as zeros.
  Ref<ID3D10Resource> Zeroed(const Shape& s) {
    UINT pitch = s.size * 16;
    std::vector<uint8_t> zeros(std::size_t{pitch} * s.size * (s.dimension == k3D ? s.layers : 1));
    UINT subresources = (s.mips ? s.mips : 4) * (s.dimension == k3D ? 1 : s.layers);
    std::vector<D3D10_SUBRESOURCE_DATA> data(subresources, D3D10_SUBRESOURCE_DATA{zeros.data(), pitch, pitch * s.size});
    Ref<ID3D10Resource> resource;
    EXPECT_EQ(S_OK, Create(s, &resource, D3D10_USAGE_DEFAULT, 0, data.data()));
    return resource;
  }

  // One 2D subresource read through a region copy into a staging texture,
  // as packed rows of texels (of blocks for block formats).
  template <typename Texel = uint32_t>
  std::vector<Texel> ReadSubresource(ID3D10Resource* resource, UINT subresource, DXGI_FORMAT format, UINT width,
                                     UINT height) {
    Ref<ID3D10Texture2D> staging =
        MakeTexture(TextureDesc(width, height, format, 0, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ));
    device->CopySubresourceRegion(staging.Get(), 0, 0, 0, 0, resource, subresource, nullptr);
    D3D10_MAPPED_TEXTURE2D mapped = {};
    EXPECT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
    bool block = format >= DXGI_FORMAT_BC1_TYPELESS && format <= DXGI_FORMAT_BC5_SNORM;
    std::size_t size = std::size_t{mapped.RowPitch} * (block ? (height + 3) / 4 : height);
    std::vector<Texel> texels(size / sizeof(Texel));
    std::memcpy(texels.data(), mapped.pData, size);
    staging->Unmap(0);
    return texels;
  }

  Ref<ID3D10RenderTargetView> TargetView(ID3D10Resource* resource, D3D10_RTV_DIMENSION dimension, UINT first,
                                         UINT count) {
    D3D10_RENDER_TARGET_VIEW_DESC desc = {};
    desc.ViewDimension = dimension;
    desc.Texture2DArray = {0, first, count};
    Ref<ID3D10RenderTargetView> view;
    EXPECT_EQ(S_OK, device->CreateRenderTargetView(resource, &desc, view.Put()));
    return view;
  }

  Ref<ID3D10DepthStencilView> DepthView(ID3D10Resource* resource, DXGI_FORMAT format, D3D10_DSV_DIMENSION dimension,
                                        UINT first = 0, UINT count = 1) {
    D3D10_DEPTH_STENCIL_VIEW_DESC desc = {};
    desc.Format = format;
    desc.ViewDimension = dimension;
    desc.Texture2DArray = {0, first, count};
    Ref<ID3D10DepthStencilView> view;
    EXPECT_EQ(S_OK, device->CreateDepthStencilView(resource, &desc, view.Put()));
    return view;
  }

  void Clear(ID3D10RenderTargetView* view, uint32_t rgba) {
    FLOAT color[4];
    for (int i = 0; i < 4; ++i) color[i] = static_cast<float>((rgba >> (8 * i)) & 0xFF) / 255.0f;
    device->ClearRenderTargetView(view, color);
  }

  // Draws one full-screen triangle with a pixel shader into the bound targets.
  void DrawWith(const char* pixelSource, const std::vector<D3D10_PLATFORM_SAMPLER_BINDING>& samplers = {},
                float z = 0.5f) {
    std::vector<uint8_t> blob;
    Ref<ID3D10VertexShader> vs = MakeVertexShader(kColorVS, ColorInputs(), &blob);
    Ref<ID3D10PixelShader> ps = MakePixelShader(pixelSource, samplers);
    Ref<ID3D10InputLayout> layout;
    ASSERT_EQ(S_OK, device->CreateInputLayout(ColorElements(), 2, blob.data(), blob.size(), layout.Put()));
    std::vector<Vertex> vertices = FullScreenTriangle(z, 0, 0, 0);
    Ref<ID3D10Buffer> buffer = MakeBuffer(static_cast<UINT>(vertices.size() * sizeof(Vertex)), D3D10_USAGE_IMMUTABLE,
                                          D3D10_BIND_VERTEX_BUFFER, 0, vertices.data());
    ID3D10Buffer* buffers[] = {buffer.Get()};
    UINT stride = sizeof(Vertex), offset = 0;
    device->VSSetShader(vs.Get());
    device->PSSetShader(ps.Get());
    device->IASetInputLayout(layout.Get());
    device->IASetVertexBuffers(0, 1, buffers, &stride, &offset);
    device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    device->Draw(3, 0);
  }

  void Viewport(UINT width, UINT height) {
    D3D10_VIEWPORT viewport = {0, 0, width, height, 0.0f, 1.0f};
    device->RSSetViewports(1, &viewport);
  }
};

// Creation of 1D and volume textures ------------------------------------------

struct CreationCase {
  const char* name;
  Shape shape;
  D3D10_USAGE usage;
  UINT cpu;
  HRESULT expected;
};

const CreationCase kCreationCases[] = {
    {"Line", Line(DXGI_FORMAT_R8G8B8A8_UNORM, SR | RT), D3D10_USAGE_DEFAULT, 0, S_OK},
    {"LineArray", Line(DXGI_FORMAT_R16G16_FLOAT, SR | RT, 4), D3D10_USAGE_DEFAULT, 0, S_OK},
    {"LineDepth", Line(DXGI_FORMAT_R32_TYPELESS, DS | SR), D3D10_USAGE_DEFAULT, 0, S_OK},
    {"LineStaging", Line(DXGI_FORMAT_R32_FLOAT, 0), D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ, S_OK},
    {"LineBlockCompressed", Line(DXGI_FORMAT_BC1_UNORM, SR), D3D10_USAGE_DEFAULT, 0, E_INVALIDARG},
    {"LineTooLong", {k1D, DXGI_FORMAT_R8_UNORM, SR, 1, 1, false, 1, 8193}, D3D10_USAGE_DEFAULT, 0, E_INVALIDARG},
    {"Volume", Volume(DXGI_FORMAT_R8G8B8A8_UNORM, SR | RT), D3D10_USAGE_DEFAULT, 0, S_OK},
    {"VolumeMipChain", {k3D, DXGI_FORMAT_R16G16B16A16_FLOAT, SR, 4, 1, false, 0}, D3D10_USAGE_DEFAULT, 0, S_OK},
    {"VolumeDynamic", Volume(DXGI_FORMAT_R8G8B8A8_UNORM, SR), D3D10_USAGE_DYNAMIC, D3D10_CPU_ACCESS_WRITE, S_OK},
    {"VolumeDepth", Volume(DXGI_FORMAT_R32_TYPELESS, DS), D3D10_USAGE_DEFAULT, 0, E_INVALIDARG},
    {"VolumeTooDeep", Volume(DXGI_FORMAT_R8_UNORM, SR, 2049), D3D10_USAGE_DEFAULT, 0, E_INVALIDARG},
    {"VolumeTooManyMips", {k3D, DXGI_FORMAT_R8_UNORM, SR, 4, 1, false, 5}, D3D10_USAGE_DEFAULT, 0, E_INVALIDARG},
};

class CreationTest : public TextureKindsTest, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(CreationTest, CreateAnswers) {
  const CreationCase& c = GetParam();
  Ref<ID3D10Resource> resource;
  EXPECT_EQ(c.expected, Create(c.shape, &resource, c.usage, c.cpu));
  EXPECT_EQ(SUCCEEDED(c.expected), static_cast<bool>(resource));
}

INSTANTIATE_TEST_SUITE_P(Descriptions, CreationTest, ::testing::ValuesIn(kCreationCases),
                         [](const ::testing::TestParamInfo<CreationCase>& info) {
                           return std::string(info.param.name);
                         });

// Views of every dimension ----------------------------------------------------

enum class Kind { kShaderResource, kRenderTarget, kDepthStencil };

struct ViewCase {
  const char* name;
  Shape texture;
  Kind kind;
  UINT dimension;  // of the kind's view dimension enumeration
  DXGI_FORMAT format;
  UINT range[4];  // first mip (or mip slice), mip count, first slice, slice count
  HRESULT expected;
  DXGI_FORMAT resolved;  // the format GetDesc reports
};

constexpr DXGI_FORMAT kNone = DXGI_FORMAT_UNKNOWN;
constexpr DXGI_FORMAT RGBA8 = DXGI_FORMAT_R8G8B8A8_UNORM;

const ViewCase kViewCases[] = {
    // Shader resource views.
    {"Line", Line(RGBA8, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE1D, kNone, {0, kAll}, S_OK, RGBA8},
    {"LineArraySlices", Line(RGBA8, SR, 4), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE1DARRAY, kNone,
     {0, 1, 1, 2}, S_OK, RGBA8},
    {"LineArrayPastTheEnd", Line(RGBA8, SR, 4), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE1DARRAY, kNone,
     {0, 1, 3, 2}, E_INVALIDARG, kNone},
    {"ArrayWhole", Array(RGBA8, SR, 6), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2DARRAY, kNone,
     {0, kAll, 0, kAll}, S_OK, RGBA8},
    {"ArrayAsPlain", Array(RGBA8, SR, 6), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1},
     E_INVALIDARG, kNone},
    {"Cube", Cube(RGBA8, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURECUBE, kNone, {0, kAll}, S_OK, RGBA8},
    {"CubeAsArray", Cube(RGBA8, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2DARRAY, kNone,
     {0, 1, 2, 4}, S_OK, RGBA8},
    {"CubeOfPlainArray", Array(RGBA8, SR, 6), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURECUBE, kNone,
     {0, kAll}, E_INVALIDARG, kNone},
    {"Multisampled", Multisampled(RGBA8, RT | SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2DMS, kNone, {},
     S_OK, RGBA8},
    {"MultisampledAsPlain", Multisampled(RGBA8, RT | SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D,
     kNone, {0, 1}, E_INVALIDARG, kNone},
    {"PlainAsMultisampled", Plain(RGBA8, RT | SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2DMS, kNone, {},
     E_INVALIDARG, kNone},
    {"MultisampledArray", Multisampled(RGBA8, RT | SR, 2), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY, kNone, {0, 0, 0, kAll}, S_OK, RGBA8},
    {"Volume", Volume(RGBA8, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE3D, kNone, {0, kAll}, S_OK, RGBA8},
    {"VolumeAsPlain", Volume(RGBA8, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1},
     E_INVALIDARG, kNone},
    {"UnknownDimension", Plain(RGBA8, SR), Kind::kShaderResource, 99, kNone, {0, 1}, E_INVALIDARG, kNone},
    // Shader views of depth storage: format 0 reads depth through the family's readable format.
    {"DepthReadOfR24X8", Plain(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1}, S_OK, DXGI_FORMAT_R24_UNORM_X8_TYPELESS},
    {"DepthReadOfR32X8X24", Plain(DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1}, S_OK, DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS},
    {"DepthReadOfR16Typeless", Plain(DXGI_FORMAT_R16_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1}, S_OK, DXGI_FORMAT_R16_UNORM},
    {"DepthReadNamingTheTypelessFormat", Plain(DXGI_FORMAT_R16_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2DARRAY, DXGI_FORMAT_R16_TYPELESS, {0, 1, 0, 1}, S_OK, DXGI_FORMAT_R16_UNORM},
    {"DepthNamingTheTypelessFormat", Plain(DXGI_FORMAT_R32G8X24_TYPELESS, DS), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2D, DXGI_FORMAT_R32G8X24_TYPELESS, {0}, S_OK, DXGI_FORMAT_D32_FLOAT_S8X24_UINT},
    {"DepthReadOfR32Typeless", Plain(DXGI_FORMAT_R32_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1}, S_OK, DXGI_FORMAT_R32_FLOAT},
    {"NamedDepthRead", Plain(DXGI_FORMAT_R32_TYPELESS, DS | SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_R32_FLOAT, {0, 1}, S_OK, DXGI_FORMAT_R32_FLOAT},
    {"StencilRead", Plain(DXGI_FORMAT_R24G8_TYPELESS, DS | SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_X24_TYPELESS_G8_UINT, {0, 1}, S_OK, DXGI_FORMAT_X24_TYPELESS_G8_UINT},
    {"DepthReadOfCubeDepth", Cube(DXGI_FORMAT_R32_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURECUBE, kNone, {0, 1}, S_OK, DXGI_FORMAT_R32_FLOAT},
    {"DepthFormatShaderView", Plain(DXGI_FORMAT_R24G8_TYPELESS, DS | SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, DXGI_FORMAT_D24_UNORM_S8_UINT, {0, 1}, E_INVALIDARG, kNone},
    {"TypelessColourStorage", Plain(DXGI_FORMAT_R32_TYPELESS, SR), Kind::kShaderResource,
     D3D10_SRV_DIMENSION_TEXTURE2D, kNone, {0, 1}, E_INVALIDARG, kNone},
    {"BlockCompressedSrgb", Plain(DXGI_FORMAT_BC1_TYPELESS, SR), Kind::kShaderResource, D3D10_SRV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_BC1_UNORM_SRGB, {0, 1}, S_OK, DXGI_FORMAT_BC1_UNORM_SRGB},
    // Render target views.
    {"LineArraySlice", Line(RGBA8, RT, 4), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE1DARRAY, kNone,
     {0, 1, 2, 1}, S_OK, RGBA8},
    {"ArraySlice", Array(RGBA8, RT, 6), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2DARRAY, kNone, {0, 1, 2, 1},
     S_OK, RGBA8},
    {"ArraySlicePastTheEnd", Array(RGBA8, RT, 6), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2DARRAY, kNone,
     {0, 1, 6, 1}, E_INVALIDARG, kNone},
    {"CubeFace", Cube(RGBA8, RT), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2DARRAY, kNone, {0, 1, 3, 1}, S_OK,
     RGBA8},
    {"CubeAsPlain", Cube(RGBA8, RT), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2D, kNone, {0}, E_INVALIDARG,
     kNone},
    {"MultisampledSlice", Multisampled(RGBA8, RT, 2), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY,
     kNone, {0, 0, 1, 1}, S_OK, RGBA8},
    {"MultisampledArrayOfPlain", Array(RGBA8, RT, 2), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY,
     kNone, {0, 0, 0, 1}, E_INVALIDARG, kNone},
    {"VolumeSlice", Volume(RGBA8, RT), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE3D, kNone, {0, 1, 2, 1}, S_OK,
     RGBA8},
    {"VolumeWhole", Volume(RGBA8, RT), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE3D, kNone, {0, 1, 0, kAll},
     S_OK, RGBA8},
    {"VolumeSomeSlices", Volume(RGBA8, RT), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE3D, kNone, {0, 1, 1, 2},
     E_INVALIDARG, kNone},
    {"DepthStorageAsTarget", Plain(DXGI_FORMAT_R32_TYPELESS, DS), Kind::kRenderTarget, D3D10_RTV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_R32_FLOAT, {0}, E_INVALIDARG, kNone},
    // Depth-stencil views: the depth format of the family over any of its members.
    {"DepthOfR24X8", Plain(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, DS | SR), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2D, DXGI_FORMAT_D24_UNORM_S8_UINT, {0}, S_OK, DXGI_FORMAT_D24_UNORM_S8_UINT},
    {"DepthOfR32X8X24", Plain(DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS, DS | SR), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2D, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, {0}, S_OK, DXGI_FORMAT_D32_FLOAT_S8X24_UINT},
    {"DepthOfR16Typeless", Plain(DXGI_FORMAT_R16_TYPELESS, DS | SR), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2D, kNone, {0}, S_OK, DXGI_FORMAT_D16_UNORM},
    {"DepthOfReadableFloat", Plain(DXGI_FORMAT_R32_FLOAT, DS | SR), Kind::kDepthStencil, D3D10_DSV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_D32_FLOAT, {0}, S_OK, DXGI_FORMAT_D32_FLOAT},
    {"DepthOfOtherFamily", Plain(DXGI_FORMAT_R24G8_TYPELESS, DS), Kind::kDepthStencil, D3D10_DSV_DIMENSION_TEXTURE2D,
     DXGI_FORMAT_D32_FLOAT, {0}, E_INVALIDARG, kNone},
    {"DepthArraySlice", Array(DXGI_FORMAT_R24G8_TYPELESS, DS, 6), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2DARRAY, DXGI_FORMAT_D24_UNORM_S8_UINT, {0, 1, 5, 1}, S_OK,
     DXGI_FORMAT_D24_UNORM_S8_UINT},
    {"DepthCubeFace", Cube(DXGI_FORMAT_R32_TYPELESS, DS | SR), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2DARRAY, DXGI_FORMAT_D32_FLOAT, {0, 1, 4, 1}, S_OK, DXGI_FORMAT_D32_FLOAT},
    {"DepthMultisampled", Multisampled(DXGI_FORMAT_D24_UNORM_S8_UINT, DS), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2DMS, kNone, {}, S_OK, DXGI_FORMAT_D24_UNORM_S8_UINT},
    {"DepthLine", Line(DXGI_FORMAT_D32_FLOAT, DS), Kind::kDepthStencil, D3D10_DSV_DIMENSION_TEXTURE1D, kNone, {0},
     S_OK, DXGI_FORMAT_D32_FLOAT},
    {"DepthMultisampledOfPlain", Plain(DXGI_FORMAT_D32_FLOAT, DS), Kind::kDepthStencil,
     D3D10_DSV_DIMENSION_TEXTURE2DMS, kNone, {}, E_INVALIDARG, kNone},
};

class ViewTest : public TextureKindsTest, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewTest, CreateViewAnswers) {
  const ViewCase& c = GetParam();
  Ref<ID3D10Resource> texture = Make(c.texture);
  ASSERT_TRUE(texture);
  const UINT* r = c.range;
  HRESULT hr = E_FAIL;
  DXGI_FORMAT resolved = kNone;
  switch (c.kind) {
    case Kind::kShaderResource: {
      D3D10_SHADER_RESOURCE_VIEW_DESC desc = {};
      desc.Format = c.format;
      SetRaw(desc.ViewDimension, c.dimension);
      if (c.dimension == D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY) {
        desc.Texture2DMSArray = {r[2], r[3]};
      } else {
        desc.Texture2DArray = {r[0], r[1], r[2], r[3]};
      }
      Ref<ID3D10ShaderResourceView> view;
      hr = device->CreateShaderResourceView(texture.Get(), &desc, view.Put());
      if (view) view->GetDesc(&desc), resolved = desc.Format;
      break;
    }
    case Kind::kRenderTarget: {
      D3D10_RENDER_TARGET_VIEW_DESC desc = {};
      desc.Format = c.format;
      SetRaw(desc.ViewDimension, c.dimension);
      if (c.dimension == D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY) {
        desc.Texture2DMSArray = {r[2], r[3]};
      } else {
        desc.Texture2DArray = {r[0], r[2], r[3]};
      }
      Ref<ID3D10RenderTargetView> view;
      hr = device->CreateRenderTargetView(texture.Get(), &desc, view.Put());
      if (view) view->GetDesc(&desc), resolved = desc.Format;
      break;
    }
    case Kind::kDepthStencil: {
      D3D10_DEPTH_STENCIL_VIEW_DESC desc = {};
      desc.Format = c.format;
      SetRaw(desc.ViewDimension, c.dimension);
      if (c.dimension == D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY) {
        desc.Texture2DMSArray = {r[2], r[3]};
      } else {
        desc.Texture2DArray = {r[0], r[2], r[3]};
      }
      Ref<ID3D10DepthStencilView> view;
      hr = device->CreateDepthStencilView(texture.Get(), &desc, view.Put());
      if (view) view->GetDesc(&desc), resolved = desc.Format;
      break;
    }
  }
  EXPECT_EQ(c.expected, hr);
  EXPECT_EQ(c.resolved, resolved);
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ViewTest, ::testing::ValuesIn(kViewCases),
                         [](const ::testing::TestParamInfo<ViewCase>& info) { return std::string(info.param.name); });

TEST_F(TextureKindsTest, ViewsWithoutDescriptionCoverTheWholeTexture) {
  Ref<ID3D10Resource> cube = Make(Cube(RGBA8, SR | RT));
  Ref<ID3D10ShaderResourceView> shaderView;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(cube.Get(), nullptr, shaderView.Put()));
  D3D10_SHADER_RESOURCE_VIEW_DESC shaderDesc;
  shaderView->GetDesc(&shaderDesc);
  EXPECT_EQ(D3D10_SRV_DIMENSION_TEXTURECUBE, shaderDesc.ViewDimension);
  EXPECT_EQ(1u, shaderDesc.TextureCube.MipLevels);
  Ref<ID3D10RenderTargetView> targetView;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(cube.Get(), nullptr, targetView.Put()));
  D3D10_RENDER_TARGET_VIEW_DESC targetDesc;
  targetView->GetDesc(&targetDesc);
  EXPECT_EQ(D3D10_RTV_DIMENSION_TEXTURE2DARRAY, targetDesc.ViewDimension);
  EXPECT_EQ(6u, targetDesc.Texture2DArray.ArraySize);
  // Buffers have no views on this platform.
  Ref<ID3D10Buffer> buffer = MakeBuffer(64, D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, nullptr);
  Ref<ID3D10ShaderResourceView> bufferView;
  EXPECT_EQ(E_INVALIDARG, device->CreateShaderResourceView(buffer.Get(), nullptr, bufferView.Put()));
}

// Pixels ----------------------------------------------------------------------

constexpr uint32_t kFaceColors[6] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFF00FFFFu, 0xFFFF00FFu, 0xFFFFFF00u};

TEST_F(TextureKindsTest, ClearsReachEachSliceFaceAndVolumeSlice) {
  // The whole cube, then each face through its own view, in Direct3D's face order.
  Ref<ID3D10Resource> cube = Make(Cube(RGBA8, RT | SR));
  Clear(TargetView(cube.Get(), D3D10_RTV_DIMENSION_TEXTURE2DARRAY, 0, 6).Get(), kBlack);
  for (UINT face = 1; face < 6; ++face) {
    Clear(TargetView(cube.Get(), D3D10_RTV_DIMENSION_TEXTURE2DARRAY, face, 1).Get(), kFaceColors[face]);
  }
  EXPECT_EQ(std::vector<uint32_t>(64, kBlack), ReadSubresource(cube.Get(), 0, RGBA8, 8, 8));
  for (UINT face = 1; face < 6; ++face) {
    EXPECT_EQ(std::vector<uint32_t>(64, kFaceColors[face]), ReadSubresource(cube.Get(), face, RGBA8, 8, 8)) << face;
  }

  // Array slices of a two-level array: subresource = level + slice * levels.
  Shape arrayShape = Array(RGBA8, RT, 3);
  arrayShape.mips = 2;
  Ref<ID3D10Resource> array = Make(arrayShape);
  for (UINT slice = 0; slice < 3; ++slice) {
    Clear(TargetView(array.Get(), D3D10_RTV_DIMENSION_TEXTURE2DARRAY, slice, 1).Get(), kFaceColors[slice]);
  }
  for (UINT slice = 0; slice < 3; ++slice) {
    EXPECT_EQ(kFaceColors[slice], ReadSubresource(array.Get(), D3D10CalcSubresource(0, slice, 2), RGBA8, 8, 8)[63]);
  }

  // One depth slice of a volume, read back through a staging volume.
  Ref<ID3D10Resource> volume = Make(Volume(RGBA8, RT));
  D3D10_RENDER_TARGET_VIEW_DESC sliceDesc = {};
  sliceDesc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE3D;
  sliceDesc.Texture3D = {0, 2, 1};
  Ref<ID3D10RenderTargetView> slice;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(volume.Get(), &sliceDesc, slice.Put()));
  sliceDesc.Texture3D = {0, 0, kAll};
  Ref<ID3D10RenderTargetView> whole;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(volume.Get(), &sliceDesc, whole.Put()));
  Clear(whole.Get(), kRed);
  Clear(slice.Get(), kGreen);
  Ref<ID3D10Resource> staging;
  ASSERT_EQ(S_OK, Create(Volume(RGBA8, 0), &staging, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ));
  device->CopyResource(staging.Get(), volume.Get());
  auto* stagingVolume = static_cast<ID3D10Texture3D*>(staging.Get());
  D3D10_MAPPED_TEXTURE3D mapped = {};
  ASSERT_EQ(S_OK, stagingVolume->Map(0, D3D10_MAP_READ, 0, &mapped));
  EXPECT_EQ(32u, mapped.RowPitch);
  EXPECT_EQ(256u, mapped.DepthPitch);
  const uint8_t* texels = static_cast<const uint8_t*>(mapped.pData);
  for (UINT z = 0; z < 4; ++z) {
    uint32_t texel;
    std::memcpy(&texel, texels + z * mapped.DepthPitch + 3 * mapped.RowPitch + 12, 4);
    EXPECT_EQ(z == 2 ? kGreen : kRed, texel) << z;
  }
  stagingVolume->Unmap(0);

  // A slice of a 1D array.
  Ref<ID3D10Resource> lines = Make(Line(RGBA8, RT, 2));
  D3D10_RENDER_TARGET_VIEW_DESC lineDesc = {};
  lineDesc.ViewDimension = D3D10_RTV_DIMENSION_TEXTURE1DARRAY;
  lineDesc.Texture1DArray = {0, 1, 1};
  Ref<ID3D10RenderTargetView> line;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(lines.Get(), &lineDesc, line.Put()));
  Clear(line.Get(), kBlue);
  Ref<ID3D10Resource> lineStaging;
  ASSERT_EQ(S_OK, Create(Line(RGBA8, 0, 2), &lineStaging, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ));
  device->CopyResource(lineStaging.Get(), lines.Get());
  auto* stagingLines = static_cast<ID3D10Texture1D*>(lineStaging.Get());
  void* data = nullptr;
  ASSERT_EQ(S_OK, stagingLines->Map(1, D3D10_MAP_READ, 0, &data));
  EXPECT_EQ(kBlue, static_cast<uint32_t*>(data)[7]);
  stagingLines->Unmap(1);
}

// Depth clears read back through copies of the shader-readable textures, in
// the formats the engine creates them in.
struct DepthCase {
  const char* name;
  DXGI_FORMAT texture, depth;
  UINT bytes;
};

const DepthCase kDepthCases[] = {
    {"D32InR32Typeless", DXGI_FORMAT_R32_TYPELESS, DXGI_FORMAT_D32_FLOAT, 4},
    {"D16InR16Typeless", DXGI_FORMAT_R16_TYPELESS, DXGI_FORMAT_D16_UNORM, 2},
    {"D24S8InR24X8", DXGI_FORMAT_R24_UNORM_X8_TYPELESS, DXGI_FORMAT_D24_UNORM_S8_UINT, 4},
    {"D32S8InR32X8X24", DXGI_FORMAT_R32_FLOAT_X8X24_TYPELESS, DXGI_FORMAT_D32_FLOAT_S8X24_UINT, 8},
};

class DepthClearTest : public TextureKindsTest, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(DepthClearTest, ClearReadsBackThroughTheTexture) {
  const DepthCase& c = GetParam();
  Ref<ID3D10Resource> texture = Make(Plain(c.texture, DS | SR));
  Ref<ID3D10DepthStencilView> view = DepthView(texture.Get(), c.depth, D3D10_DSV_DIMENSION_TEXTURE2D);
  // The engine's shader view: the texture's own format or the family's readable one.
  D3D10_SHADER_RESOURCE_VIEW_DESC read = {};
  read.ViewDimension = D3D10_SRV_DIMENSION_TEXTURE2D;
  read.Texture2D = {0, 1};
  Ref<ID3D10ShaderResourceView> readView;
  EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), &read, readView.Put()));

  device->ClearDepthStencilView(view.Get(), D3D10_CLEAR_DEPTH | D3D10_CLEAR_STENCIL, 0.25f, 5);
  std::vector<uint8_t> texels = ReadSubresource<uint8_t>(texture.Get(), 0, c.texture, 8, 8);
  const uint8_t* bytes = texels.data() + 11 * c.bytes;
  uint32_t word;
  std::memcpy(&word, bytes, 4);
  float depth;
  switch (c.depth) {
    case DXGI_FORMAT_D32_FLOAT:
      std::memcpy(&depth, bytes, 4);
      EXPECT_EQ(0.25f, depth);
      break;
    case DXGI_FORMAT_D16_UNORM:
      EXPECT_NEAR(16384, static_cast<int>(word & 0xFFFF), 1);
      break;
    case DXGI_FORMAT_D24_UNORM_S8_UINT:
      EXPECT_NEAR(0x400000, static_cast<int>(word & 0xFFFFFF), 1);
      EXPECT_EQ(5u, word >> 24);
      break;
    default:
      std::memcpy(&depth, bytes, 4);
      EXPECT_EQ(0.25f, depth);
      EXPECT_EQ(5u, bytes[4]);
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, DepthClearTest, ::testing::ValuesIn(kDepthCases),
                         [](const ::testing::TestParamInfo<DepthCase>& info) { return std::string(info.param.name); });

TEST_F(TextureKindsTest, DepthClearsOfArraySlicesAndCubeFaces) {
  Ref<ID3D10Resource> array = Make(Array(DXGI_FORMAT_R32_TYPELESS, DS | SR, 3));
  device->ClearDepthStencilView(
      DepthView(array.Get(), DXGI_FORMAT_D32_FLOAT, D3D10_DSV_DIMENSION_TEXTURE2DARRAY, 0, 3).Get(),
      D3D10_CLEAR_DEPTH, 1.0f, 0);
  device->ClearDepthStencilView(
      DepthView(array.Get(), DXGI_FORMAT_D32_FLOAT, D3D10_DSV_DIMENSION_TEXTURE2DARRAY, 1, 1).Get(),
      D3D10_CLEAR_DEPTH, 0.5f, 0);
  for (UINT slice = 0; slice < 3; ++slice) {
    EXPECT_EQ(slice == 1 ? 0.5f : 1.0f, ReadSubresource<float>(array.Get(), slice, DXGI_FORMAT_R32_TYPELESS, 8, 8)[9]);
  }

  Ref<ID3D10Resource> cube = Make(Cube(DXGI_FORMAT_R24G8_TYPELESS, DS | SR));
  for (UINT face = 0; face < 6; ++face) {
    device->ClearDepthStencilView(
        DepthView(cube.Get(), DXGI_FORMAT_D24_UNORM_S8_UINT, D3D10_DSV_DIMENSION_TEXTURE2DARRAY, face).Get(),
        D3D10_CLEAR_DEPTH | D3D10_CLEAR_STENCIL, 0.0f, static_cast<UINT8>(face + 1));
  }
  for (UINT face = 0; face < 6; ++face) {
    uint32_t texel = ReadSubresource(cube.Get(), face, DXGI_FORMAT_R24G8_TYPELESS, 8, 8)[0];
    EXPECT_EQ(face + 1, texel >> 24);
    EXPECT_EQ(0u, texel & 0xFFFFFF);
  }
}

TEST_F(TextureKindsTest, MultisampledTargetReadsBackThroughAShader) {
  Ref<ID3D10Resource> samples = Make(Multisampled(RGBA8, RT | SR));
  Ref<ID3D10RenderTargetView> target;
  ASSERT_EQ(S_OK, device->CreateRenderTargetView(samples.Get(), nullptr, target.Put()));
  Clear(target.Get(), kGreen);
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(samples.Get(), nullptr, view.Put()));
  ID3D10ShaderResourceView* views[] = {view.Get()};
  device->PSSetShaderResources(0, 1, views);
  BindTarget();
  DrawWith(R"(#version 450
layout(binding = 0) uniform sampler2DMS samples;
layout(location = 0) out vec4 target;
void main() {
  ivec2 texel = ivec2(gl_FragCoord.xy);
  target = (texelFetch(samples, texel, 0) + texelFetch(samples, texel, 1) + texelFetch(samples, texel, 2) +
            texelFetch(samples, texel, 3)) * 0.25;
}
)",
           {{0, 0, 0}});
  EXPECT_EQ(std::vector<uint32_t>(kSize * kSize, kGreen), ReadTarget());

  // A multisampled depth target tests as one.
  Ref<ID3D10Resource> depth = Make(Multisampled(DXGI_FORMAT_D32_FLOAT, DS));
  Ref<ID3D10DepthStencilView> depthView;
  ASSERT_EQ(S_OK, device->CreateDepthStencilView(depth.Get(), nullptr, depthView.Put()));
  device->ClearDepthStencilView(depthView.Get(), D3D10_CLEAR_DEPTH, 0.25f, 0);
  ID3D10RenderTargetView* targets[] = {target.Get()};
  device->OMSetRenderTargets(1, targets, depthView.Get());
  DrawWith("#version 450\nlayout(location = 0) out vec4 target;\nvoid main() { target = vec4(1, 0, 0, 1); }\n");
  device->OMSetRenderTargets(0, nullptr, nullptr);
  BindTarget();
  DrawWith(R"(#version 450
layout(binding = 0) uniform sampler2DMS samples;
layout(location = 0) out vec4 target;
void main() { target = texelFetch(samples, ivec2(gl_FragCoord.xy), 3); }
)",
           {{0, 0, 0}});
  EXPECT_EQ(kGreen, ReadTarget()[0]);
}

TEST_F(TextureKindsTest, EightTargetsAndADepthBufferBindTogether) {
  std::vector<Ref<ID3D10Resource>> textures(8);
  std::vector<Ref<ID3D10RenderTargetView>> views(8);
  ID3D10RenderTargetView* bound[8];
  for (UINT i = 0; i < 8; ++i) {
    textures[i] = Make(Plain(RGBA8, RT));
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(textures[i].Get(), nullptr, views[i].Put()));
    Clear(views[i].Get(), kBlack);
    bound[i] = views[i].Get();
  }
  Ref<ID3D10Resource> depth = Make(Plain(DXGI_FORMAT_R24_UNORM_X8_TYPELESS, DS | SR));
  Ref<ID3D10DepthStencilView> depthView = DepthView(depth.Get(), DXGI_FORMAT_D24_UNORM_S8_UINT,
                                                    D3D10_DSV_DIMENSION_TEXTURE2D);
  device->ClearDepthStencilView(depthView.Get(), D3D10_CLEAR_DEPTH, 1.0f, 0);
  device->OMSetRenderTargets(8, bound, depthView.Get());
  Viewport(8, 8);
  static const char* kEight = R"(#version 450
layout(location = 0) out vec4 t0; layout(location = 1) out vec4 t1; layout(location = 2) out vec4 t2;
layout(location = 3) out vec4 t3; layout(location = 4) out vec4 t4; layout(location = 5) out vec4 t5;
layout(location = 6) out vec4 t6; layout(location = 7) out vec4 t7;
void main() {
  t0 = vec4(0.0, 0, 0, 1); t1 = vec4(1.0 / 255.0, 0, 0, 1); t2 = vec4(2.0 / 255.0, 0, 0, 1);
  t3 = vec4(3.0 / 255.0, 0, 0, 1); t4 = vec4(4.0 / 255.0, 0, 0, 1); t5 = vec4(5.0 / 255.0, 0, 0, 1);
  t6 = vec4(6.0 / 255.0, 0, 0, 1); t7 = vec4(7.0 / 255.0, 0, 0, 1);
}
)";
  DrawWith(kEight, {}, 0.5f);
  for (UINT i = 0; i < 8; ++i) EXPECT_EQ(0xFF000000u | i, ReadSubresource(textures[i].Get(), 0, RGBA8, 8, 8)[27]);
  // The depth written by the first draw hides a second one behind it.
  Clear(views[5].Get(), kBlue);
  DrawWith(kEight, {}, 0.75f);
  EXPECT_EQ(kBlue, ReadSubresource(textures[5].Get(), 0, RGBA8, 8, 8)[27]);
  EXPECT_EQ(2u, Counters().drawCalls);
}

TEST_F(TextureKindsTest, CubeFacesSampleInDirect3DOrderAndOrientation) {
  // Faces of 2x2 texels: the face number in red, the texel's column and row in blue and alpha.
  std::vector<uint32_t> texels(6 * 4);
  std::vector<D3D10_SUBRESOURCE_DATA> data(6);
  for (UINT face = 0; face < 6; ++face) {
    for (UINT i = 0; i < 4; ++i) texels[face * 4 + i] = (face * 40u) | 0xAA00u | ((i % 2) << 16) | ((i / 2) << 24);
    data[face] = {&texels[face * 4], 8, 0};
  }
  Shape shape = Cube(RGBA8, SR);
  shape.size = 2;
  Ref<ID3D10Resource> cube = Make(shape, data.data());
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(cube.Get(), nullptr, view.Put()));
  ID3D10ShaderResourceView* views[] = {view.Get()};
  device->PSSetShaderResources(0, 1, views);
  BindTarget();
  // Pixels 0-5 look at the face centres, 6 at +X towards +y and -z, 7 at +Y towards +x and +z.
  DrawWith(R"(#version 450
layout(binding = 0) uniform samplerCube cube;
layout(location = 0) out vec4 target;
const vec3 kDirections[8] = vec3[8](vec3(1, 0, 0), vec3(-1, 0, 0), vec3(0, 1, 0), vec3(0, -1, 0), vec3(0, 0, 1),
                                    vec3(0, 0, -1), vec3(1, 0.5, -0.5), vec3(0.5, 1, 0.5));
void main() { target = textureLod(cube, kDirections[int(gl_FragCoord.x)], 0.0); }
)",
           {{0, 0, 0}});
  std::vector<uint32_t> pixels = ReadTarget();
  for (UINT face = 0; face < 6; ++face) EXPECT_EQ(face * 40u | 0xAA00u, pixels[face] & 0xFFFFu) << face;
  // +X: s = (-z + 1) / 2, t = (-y + 1) / 2 with t = 0 the first row: column 1, row 0.
  EXPECT_EQ(texels[0 * 4 + 1], pixels[6]);
  // +Y: s = (x + 1) / 2, t = (z + 1) / 2: column 1, row 1.
  EXPECT_EQ(texels[2 * 4 + 3], pixels[7]);
}

TEST_F(TextureKindsTest, RegionCopiesMoveBoxesBetweenKinds) {
  std::vector<uint32_t> source(64);
  for (UINT i = 0; i < 64; ++i) source[i] = i;
  D3D10_SUBRESOURCE_DATA data = {source.data(), 32, 0};
  Ref<ID3D10Resource> plain = Make(Plain(DXGI_FORMAT_R8G8B8A8_UINT, SR), &data);
  Ref<ID3D10Resource> array = Zeroed(Array(DXGI_FORMAT_R8G8B8A8_TYPELESS, SR, 2));
  // Rows 1-2, columns 2-5 of the source to (1, 4) of slice 1.
  D3D10_BOX box = {2, 1, 0, 6, 3, 1};
  device->CopySubresourceRegion(array.Get(), 1, 1, 4, 0, plain.Get(), 0, &box);
  std::vector<uint32_t> slice = ReadSubresource(array.Get(), 1, DXGI_FORMAT_R8G8B8A8_TYPELESS, 8, 8);
  EXPECT_EQ(10u, slice[4 * 8 + 1]);
  EXPECT_EQ(13u, slice[4 * 8 + 4]);
  EXPECT_EQ(21u, slice[5 * 8 + 4]);
  EXPECT_EQ(0u, slice[4 * 8 + 5]);
  EXPECT_EQ(0u, ReadSubresource(array.Get(), 0, DXGI_FORMAT_R8G8B8A8_TYPELESS, 8, 8)[4 * 8 + 1]);

  // Refused: a box past the source, a destination it overflows, another family, an empty box.
  D3D10_BOX outside = {6, 0, 0, 9, 1, 1};
  device->CopySubresourceRegion(array.Get(), 1, 0, 0, 0, plain.Get(), 0, &outside);
  device->CopySubresourceRegion(array.Get(), 1, 6, 0, 0, plain.Get(), 0, &box);
  Ref<ID3D10Resource> other = Zeroed(Plain(DXGI_FORMAT_R32_FLOAT, SR));
  device->CopySubresourceRegion(other.Get(), 0, 0, 0, 0, plain.Get(), 0, nullptr);
  D3D10_BOX empty = {0, 0, 0, 4, 4, 0};
  device->CopySubresourceRegion(array.Get(), 1, 0, 0, 0, plain.Get(), 0, &empty);
  EXPECT_EQ(0u, ReadSubresource(array.Get(), 1, DXGI_FORMAT_R8G8B8A8_TYPELESS, 8, 8)[0]);
  EXPECT_EQ(0u, ReadSubresource<float>(other.Get(), 0, DXGI_FORMAT_R32_FLOAT, 8, 8)[9]);

  // Block formats move whole blocks: block (1, 1) of an 8x8 BC1 texture to block (0, 0).
  std::vector<uint64_t> blocks = {0x1111, 0x2222, 0x3333, 0x4444};
  D3D10_SUBRESOURCE_DATA blockData = {blocks.data(), 16, 0};
  Ref<ID3D10Resource> compressed = Make(Plain(DXGI_FORMAT_BC1_UNORM, SR), &blockData);
  Ref<ID3D10Resource> copy = Zeroed(Plain(DXGI_FORMAT_BC1_UNORM_SRGB, SR));
  D3D10_BOX block = {4, 4, 0, 8, 8, 1};
  device->CopySubresourceRegion(copy.Get(), 0, 0, 0, 0, compressed.Get(), 0, &block);
  D3D10_BOX unaligned = {2, 0, 0, 6, 4, 1};
  device->CopySubresourceRegion(copy.Get(), 0, 4, 0, 0, compressed.Get(), 0, &unaligned);
  std::vector<uint64_t> copied = ReadSubresource<uint64_t>(copy.Get(), 0, DXGI_FORMAT_BC1_UNORM, 8, 8);
  EXPECT_EQ((std::vector<uint64_t>{0x4444, 0, 0, 0}), copied);

  // Depth is copied whole: a box is refused, the whole subresource is not.
  Ref<ID3D10Resource> depth = Make(Plain(DXGI_FORMAT_R32_TYPELESS, DS));
  Ref<ID3D10Resource> depthCopy = Make(Plain(DXGI_FORMAT_R32_TYPELESS, DS));
  device->ClearDepthStencilView(DepthView(depthCopy.Get(), DXGI_FORMAT_D32_FLOAT, D3D10_DSV_DIMENSION_TEXTURE2D).Get(),
                                D3D10_CLEAR_DEPTH, 0.0f, 0);
  device->ClearDepthStencilView(DepthView(depth.Get(), DXGI_FORMAT_D32_FLOAT, D3D10_DSV_DIMENSION_TEXTURE2D).Get(),
                                D3D10_CLEAR_DEPTH, 0.75f, 0);
  D3D10_BOX corner = {0, 0, 0, 4, 4, 1};
  device->CopySubresourceRegion(depthCopy.Get(), 0, 0, 0, 0, depth.Get(), 0, &corner);
  EXPECT_EQ(0.0f, ReadSubresource<float>(depthCopy.Get(), 0, DXGI_FORMAT_R32_TYPELESS, 8, 8)[0]);
  device->CopySubresourceRegion(depthCopy.Get(), 0, 0, 0, 0, depth.Get(), 0, nullptr);
  EXPECT_EQ(0.75f, ReadSubresource<float>(depthCopy.Get(), 0, DXGI_FORMAT_R32_TYPELESS, 8, 8)[63]);
}

TEST_F(TextureKindsTest, UpdatesWriteFacesVolumesAndLines) {
  Ref<ID3D10Resource> cube = Zeroed(Cube(RGBA8, SR));
  std::vector<uint32_t> face(64, kBlue);
  device->UpdateSubresource(cube.Get(), 2, nullptr, face.data(), 32, 0);
  EXPECT_EQ(face, ReadSubresource(cube.Get(), 2, RGBA8, 8, 8));
  EXPECT_EQ(0u, ReadSubresource(cube.Get(), 3, RGBA8, 8, 8)[0]);

  // A 2x2x2 box at (1, 1, 1) of a volume, with padded rows and slices.
  Ref<ID3D10Resource> volume = Zeroed(Volume(DXGI_FORMAT_R32_UINT, SR));
  std::vector<uint32_t> box(3 * 2 * 2, 0);
  for (UINT z = 0; z < 2; ++z) {
    for (UINT y = 0; y < 2; ++y) {
      box[z * 6 + y * 3] = 100 * z + 10 * y + 1;
      box[z * 6 + y * 3 + 1] = 100 * z + 10 * y + 2;
    }
  }
  D3D10_BOX region = {1, 1, 1, 3, 3, 3};
  device->UpdateSubresource(volume.Get(), 0, &region, box.data(), 12, 24);
  Ref<ID3D10Resource> staging;
  ASSERT_EQ(S_OK, Create(Volume(DXGI_FORMAT_R32_UINT, 0), &staging, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ));
  device->CopyResource(staging.Get(), volume.Get());
  D3D10_MAPPED_TEXTURE3D mapped = {};
  ASSERT_EQ(S_OK, static_cast<ID3D10Texture3D*>(staging.Get())->Map(0, D3D10_MAP_READ, 0, &mapped));
  auto at = [&](UINT x, UINT y, UINT z) {
    return static_cast<const uint32_t*>(mapped.pData)[(z * mapped.DepthPitch + y * mapped.RowPitch) / 4 + x];
  };
  EXPECT_EQ(1u, at(1, 1, 1));
  EXPECT_EQ(112u, at(2, 2, 2));
  EXPECT_EQ(0u, at(3, 2, 2));
  EXPECT_EQ(0u, at(1, 1, 3));
  static_cast<ID3D10Texture3D*>(staging.Get())->Unmap(0);

  // A 1D texture with two levels of initial data.
  std::vector<uint32_t> level0 = {1, 2, 3, 4, 5, 6, 7, 8}, level1 = {9, 10, 11, 12};
  D3D10_SUBRESOURCE_DATA lineData[] = {{level0.data(), 0, 0}, {level1.data(), 0, 0}};
  Shape lineShape = Line(RGBA8, SR);
  lineShape.mips = 2;
  Ref<ID3D10Resource> line = Make(lineShape, lineData);
  Ref<ID3D10Resource> lineStaging;
  lineShape.bind = 0;
  ASSERT_EQ(S_OK, Create(lineShape, &lineStaging, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ));
  device->CopyResource(lineStaging.Get(), line.Get());
  void* mappedLine = nullptr;
  ASSERT_EQ(S_OK, static_cast<ID3D10Texture1D*>(lineStaging.Get())->Map(1, D3D10_MAP_READ, 0, &mappedLine));
  EXPECT_EQ(12u, static_cast<uint32_t*>(mappedLine)[3]);
  static_cast<ID3D10Texture1D*>(lineStaging.Get())->Unmap(1);
}

TEST_F(TextureKindsTest, GenerateMipsFiltersTexturesMadeForIt) {
  auto mipped = [&](UINT misc) {
    D3D10_TEXTURE2D_DESC desc = TextureDesc(4, 4, RGBA8, RT | SR, D3D10_USAGE_DEFAULT, 0, 0);
    desc.MiscFlags = misc;
    return MakeTexture(desc);
  };
  // Left half red, right half blue: the last level is their average.
  std::vector<uint32_t> top(16);
  for (UINT i = 0; i < 16; ++i) top[i] = i % 4 < 2 ? kRed : kBlue;
  std::vector<uint32_t> green(4, kGreen);
  for (UINT misc : {UINT(D3D10_RESOURCE_MISC_GENERATE_MIPS), 0u}) {
    Ref<ID3D10Texture2D> texture = mipped(misc);
    device->UpdateSubresource(texture.Get(), 0, nullptr, top.data(), 16, 0);
    device->UpdateSubresource(texture.Get(), 1, nullptr, green.data(), 8, 0);
    device->UpdateSubresource(texture.Get(), 2, nullptr, green.data(), 4, 0);
    Ref<ID3D10ShaderResourceView> view;
    ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.Put()));
    device->GenerateMips(view.Get());
    uint32_t last = ReadSubresource(texture.Get(), 2, RGBA8, 1, 1)[0];
    if (misc) {
      EXPECT_NEAR(128, static_cast<int>(last & 0xFF), 1);
      EXPECT_NEAR(128, static_cast<int>((last >> 16) & 0xFF), 1);
      EXPECT_EQ(0xFFu, last >> 24);
    } else {
      EXPECT_EQ(kGreen, last);
    }
  }
}

TEST_F(TextureKindsTest, StagingArraysMapEachSubresource) {
  Shape shape = Array(DXGI_FORMAT_R16G16_UINT, 0, 2);
  shape.mips = 2;
  shape.size = 4;
  Ref<ID3D10Resource> writable;
  ASSERT_EQ(S_OK, Create(shape, &writable, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_WRITE | D3D10_CPU_ACCESS_READ));
  auto* texture = static_cast<ID3D10Texture2D*>(writable.Get());
  for (UINT sub = 0; sub < 4; ++sub) {
    D3D10_MAPPED_TEXTURE2D mapped = {};
    ASSERT_EQ(S_OK, texture->Map(sub, D3D10_MAP_WRITE, 0, &mapped));
    EXPECT_EQ(sub % 2 ? 8u : 16u, mapped.RowPitch);
    static_cast<uint32_t*>(mapped.pData)[0] = 0x100 + sub;
    texture->Unmap(sub);
  }
  D3D10_MAPPED_TEXTURE2D past = {};
  EXPECT_EQ(E_INVALIDARG, texture->Map(4, D3D10_MAP_READ, 0, &past));
  // Through a default array and back.
  Ref<ID3D10Resource> gpu = Make({k2D, DXGI_FORMAT_R16G16_UINT, SR, 2, 1, false, 2, 4});
  device->CopyResource(gpu.Get(), writable.Get());
  EXPECT_EQ(0x103u, ReadSubresource(gpu.Get(), D3D10CalcSubresource(1, 1, 2), DXGI_FORMAT_R16G16_UINT, 2, 2)[0]);
  EXPECT_EQ(0x102u, ReadSubresource(gpu.Get(), D3D10CalcSubresource(0, 1, 2), DXGI_FORMAT_R16G16_UINT, 4, 4)[0]);
}

}  // namespace
