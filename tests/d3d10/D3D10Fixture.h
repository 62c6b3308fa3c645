// A debug device per test, with helpers to build shaders, render targets and
// read pixels back. Every test ends with no GL error reported.
#pragma once

#include <d3d10.h>
#include <d3d10_platform.h>
#include <gtest/gtest.h>
#include <platform_testing.h>
#include <platform_testing_d3d10.h>

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "ShaderBlob.h"

// Owns one reference.
template <typename T>
class Ref {
 public:
  Ref() = default;
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  Ref(Ref&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }
  ~Ref() { Reset(); }

  void Reset() {
    if (m_object) std::exchange(m_object, nullptr)->Release();
  }
  T** Put() {
    Reset();
    return &m_object;
  }
  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};

// Stores a number outside an enumeration, as a careless caller might.
template <typename Enum>
void SetRaw(Enum& field, UINT value) {
  std::memcpy(&field, &value, sizeof(field));
}

inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

struct Vertex {
  float x, y, z;
  float r, g, b, a;
};

// RGBA8 texels as 0xAABBGGRR.
constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFF0000FFu, kGreen = 0xFF00FF00u, kBlue = 0xFFFF0000u;

class D3D10Test : public ::testing::Test {
 public:
  static D3D10_TEXTURE2D_DESC TextureDesc(UINT width, UINT height, DXGI_FORMAT format, UINT bind,
                                          D3D10_USAGE usage = D3D10_USAGE_DEFAULT, UINT cpu = 0, UINT mips = 1) {
    D3D10_TEXTURE2D_DESC desc = {};
    desc.Width = width;
    desc.Height = height;
    desc.MipLevels = mips;
    desc.ArraySize = 1;
    desc.Format = format;
    desc.SampleDesc = {1, 0};
    desc.Usage = usage;
    desc.BindFlags = bind;
    desc.CPUAccessFlags = cpu;
    return desc;
  }

 protected:
  void SetUp() override {
    PlatformTesting::Reset();
    ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, D3D10_CREATE_DEVICE_DEBUG,
                                      D3D10_SDK_VERSION, device.Put()));
  }
  void TearDown() override {
    if (!device) return;
    D3D10Testing::DeviceCounters counters{};
    ASSERT_EQ(S_OK, D3D10Testing::GetCounters(device.Get(), &counters));
    EXPECT_EQ(0u, counters.glErrors);
  }

  D3D10Testing::DeviceCounters Counters() {
    D3D10Testing::DeviceCounters counters{};
    D3D10Testing::GetCounters(device.Get(), &counters);
    return counters;
  }

  static std::vector<uint8_t> BuildShader(const D3D10_PLATFORM_SHADER_DESC& desc) { return BuildShaderBlob(desc); }

  static std::vector<uint8_t> BuildSignature(const std::vector<D3D10_SIGNATURE_PARAMETER_DESC>& inputs) {
    SIZE_T size = 0;
    EXPECT_EQ(S_OK, D3D10PlatformBuildSignature(inputs.data(), static_cast<UINT>(inputs.size()), nullptr, &size));
    std::vector<uint8_t> blob(size);
    EXPECT_EQ(S_OK, D3D10PlatformBuildSignature(inputs.data(), static_cast<UINT>(inputs.size()), blob.data(), &size));
    return blob;
  }

  static D3D10_SIGNATURE_PARAMETER_DESC Input(const char* name, UINT index, UINT reg,
                                              D3D10_REGISTER_COMPONENT_TYPE type = D3D10_REGISTER_COMPONENT_FLOAT32,
                                              BYTE mask = 0xF) {
    return {name, index, reg, D3D10_NAME_UNDEFINED, type, mask, mask};
  }

  // The position and colour shaders most draws use.
  static const std::vector<D3D10_SIGNATURE_PARAMETER_DESC>& ColorInputs() {
    static const std::vector<D3D10_SIGNATURE_PARAMETER_DESC> inputs = {Input("POSITION", 0, 0, D3D10_REGISTER_COMPONENT_FLOAT32, 0x7),
                                                                       Input("COLOR", 0, 1)};
    return inputs;
  }

  Ref<ID3D10VertexShader> MakeVertexShader(const char* source,
                                           const std::vector<D3D10_SIGNATURE_PARAMETER_DESC>& inputs,
                                           std::vector<uint8_t>* blobOut = nullptr) {
    D3D10_PLATFORM_SHADER_DESC desc = {};
    desc.Stage = D3D10_PLATFORM_SHADER_STAGE_VERTEX;
    desc.pSource = source;
    desc.pInputParameters = inputs.data();
    desc.NumInputParameters = static_cast<UINT>(inputs.size());
    std::vector<uint8_t> blob = BuildShader(desc);
    Ref<ID3D10VertexShader> shader;
    EXPECT_EQ(S_OK, device->CreateVertexShader(blob.data(), blob.size(), shader.Put()));
    if (blobOut) *blobOut = blob;
    return shader;
  }

  Ref<ID3D10PixelShader> MakePixelShader(const char* source,
                                         const std::vector<D3D10_PLATFORM_SAMPLER_BINDING>& samplers = {},
                                         const std::vector<D3D10_PLATFORM_CONSTANT_BUFFER_BINDING>& blocks = {}) {
    D3D10_PLATFORM_SHADER_DESC desc = {};
    desc.Stage = D3D10_PLATFORM_SHADER_STAGE_PIXEL;
    desc.pSource = source;
    desc.pSamplerBindings = samplers.data();
    desc.NumSamplerBindings = static_cast<UINT>(samplers.size());
    desc.pConstantBuffers = blocks.data();
    desc.NumConstantBuffers = static_cast<UINT>(blocks.size());
    std::vector<uint8_t> blob = BuildShader(desc);
    Ref<ID3D10PixelShader> shader;
    EXPECT_EQ(S_OK, device->CreatePixelShader(blob.data(), blob.size(), shader.Put()));
    return shader;
  }

  Ref<ID3D10Buffer> MakeBuffer(UINT size, D3D10_USAGE usage, UINT bind, UINT cpu, const void* data) {
    D3D10_BUFFER_DESC desc = {size, usage, bind, cpu, 0};
    D3D10_SUBRESOURCE_DATA initial = {data, 0, 0};
    Ref<ID3D10Buffer> buffer;
    EXPECT_EQ(S_OK, device->CreateBuffer(&desc, data ? &initial : nullptr, buffer.Put()));
    return buffer;
  }

  Ref<ID3D10Texture2D> MakeTexture(const D3D10_TEXTURE2D_DESC& desc, const D3D10_SUBRESOURCE_DATA* data = nullptr) {
    Ref<ID3D10Texture2D> texture;
    EXPECT_EQ(S_OK, device->CreateTexture2D(&desc, data, texture.Put()));
    return texture;
  }

  // A render target of kSize x kSize bound with a full viewport, cleared to black.
  static constexpr UINT kSize = 8;
  void BindTarget(DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM, ID3D10DepthStencilView* depth = nullptr) {
    target = MakeTexture(TextureDesc(kSize, kSize, format, D3D10_BIND_RENDER_TARGET | D3D10_BIND_SHADER_RESOURCE));
    ASSERT_EQ(S_OK, device->CreateRenderTargetView(target.Get(), nullptr, targetView.Put()));
    const FLOAT black[4] = {0, 0, 0, 1};
    device->ClearRenderTargetView(targetView.Get(), black);
    ID3D10RenderTargetView* views[] = {targetView.Get()};
    device->OMSetRenderTargets(1, views, depth);
    D3D10_VIEWPORT viewport = {0, 0, kSize, kSize, 0.0f, 1.0f};
    device->RSSetViewports(1, &viewport);
  }

  // The texels of a 2D texture's first level, read through a staging copy.
  template <typename Texel = uint32_t>
  std::vector<Texel> ReadTexels(ID3D10Texture2D* texture) {
    D3D10_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    D3D10_TEXTURE2D_DESC stagingDesc =
        TextureDesc(desc.Width, desc.Height, desc.Format, 0, D3D10_USAGE_STAGING, D3D10_CPU_ACCESS_READ, desc.MipLevels);
    Ref<ID3D10Texture2D> staging = MakeTexture(stagingDesc);
    device->CopyResource(staging.Get(), texture);
    D3D10_MAPPED_TEXTURE2D mapped = {};
    EXPECT_EQ(S_OK, staging->Map(0, D3D10_MAP_READ, 0, &mapped));
    std::vector<Texel> texels(desc.Width * desc.Height);
    for (UINT row = 0; row < desc.Height; ++row) {
      std::memcpy(&texels[row * desc.Width], static_cast<uint8_t*>(mapped.pData) + row * mapped.RowPitch,
                  desc.Width * sizeof(Texel));
    }
    staging->Unmap(0);
    return texels;
  }

  std::vector<uint32_t> ReadTarget() { return ReadTexels(target.Get()); }

  Ref<ID3D10Device> device;
  Ref<ID3D10Texture2D> target;
  Ref<ID3D10RenderTargetView> targetView;
};

// Passes position and colour through.
constexpr const char* kColorVS = R"(#version 450
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 0) out vec4 vColor;
void main() {
  vColor = color;
  gl_Position = vec4(position, 1.0);
}
)";

constexpr const char* kColorPS = R"(#version 450
layout(location = 0) in vec4 vColor;
layout(location = 0) out vec4 target;
void main() { target = vColor; }
)";

inline const D3D10_INPUT_ELEMENT_DESC* ColorElements() {
  static const D3D10_INPUT_ELEMENT_DESC elements[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, D3D10_APPEND_ALIGNED_ELEMENT, D3D10_INPUT_PER_VERTEX_DATA, 0},
  };
  return elements;
}

// A triangle covering the whole target, clockwise on screen.
inline std::vector<Vertex> FullScreenTriangle(float z, float r, float g, float b) {
  return {{-1, -1, z, r, g, b, 1}, {-1, 3, z, r, g, b, 1}, {3, -1, z, r, g, b, 1}};
}
