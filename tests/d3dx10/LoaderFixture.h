// A debug device and a temporary directory per test, with the load
// information the engine passes and read-back of loaded textures.
#pragma once

#include <d3dx10.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../d3d10/D3D10Fixture.h"
#include "TempDir.h"

class LoaderTest : public D3D10Test {
 protected:
  // What the engine's texture constructors ask for: the whole mip chain,
  // immutable, shader resource, R8G8B8A8_UNORM, plain or cube.
  static D3DX10_IMAGE_LOAD_INFO EngineLoadInfo(UINT misc = 0) {
    D3DX10_IMAGE_LOAD_INFO info;
    info.FirstMipLevel = 0;
    info.MipLevels = 0;
    info.Usage = D3D10_USAGE_IMMUTABLE;
    info.BindFlags = D3D10_BIND_SHADER_RESOURCE;
    info.CpuAccessFlags = 0;
    info.MiscFlags = misc;
    info.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    return info;
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    return path;
  }

  // Loads a 2D texture, expecting the result.
  Ref<ID3D10Texture2D> Load(const std::string& path, D3DX10_IMAGE_LOAD_INFO* info, HRESULT expected = S_OK) {
    Ref<ID3D10Resource> resource;
    HRESULT async = E_FAIL;
    EXPECT_EQ(expected,
              D3DX10CreateTextureFromFileA(device.Get(), path.c_str(), info, nullptr, resource.Put(), &async));
    EXPECT_EQ(expected, async);
    EXPECT_EQ(SUCCEEDED(expected), static_cast<bool>(resource));
    Ref<ID3D10Texture2D> texture;
    if (resource) resource->QueryInterface(IID_ID3D10Texture2D, reinterpret_cast<void**>(texture.Put()));
    return texture;
  }

  HRESULT Info(const std::string& path, D3DX10_IMAGE_INFO* info) {
    return D3DX10GetImageInfoFromFileA(path.c_str(), nullptr, info, nullptr);
  }

  // The packed bytes of one subresource, through a staging copy of the whole texture.
  std::vector<uint8_t> ReadBytes(ID3D10Texture2D* texture, UINT subresource) {
    D3D10_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    UINT height = std::max(1u, desc.Height >> (subresource % desc.MipLevels));
    D3D10_TEXTURE2D_DESC stagingDesc = desc;
    stagingDesc.Usage = D3D10_USAGE_STAGING;
    stagingDesc.BindFlags = 0;
    stagingDesc.CPUAccessFlags = D3D10_CPU_ACCESS_READ;
    stagingDesc.MiscFlags = 0;
    Ref<ID3D10Texture2D> staging = MakeTexture(stagingDesc);
    device->CopyResource(staging.Get(), texture);
    D3D10_MAPPED_TEXTURE2D mapped = {};
    EXPECT_EQ(S_OK, staging->Map(subresource, D3D10_MAP_READ, 0, &mapped));
    bool block = desc.Format >= DXGI_FORMAT_BC1_TYPELESS && desc.Format <= DXGI_FORMAT_BC5_SNORM;
    std::size_t size = std::size_t{mapped.RowPitch} * (block ? (height + 3) / 4 : height);
    const uint8_t* bytes = static_cast<const uint8_t*>(mapped.pData);
    std::vector<uint8_t> out(bytes, bytes + size);
    staging->Unmap(subresource);
    return out;
  }

  template <typename Texel = uint32_t>
  std::vector<Texel> Read(ID3D10Texture2D* texture, UINT subresource = 0) {
    std::vector<uint8_t> bytes = ReadBytes(texture, subresource);
    std::vector<Texel> texels(bytes.size() / sizeof(Texel));
    std::memcpy(texels.data(), bytes.data(), texels.size() * sizeof(Texel));
    return texels;
  }

  // The first level as a shader reads it, texel for texel, into an RGBA8 target.
  std::vector<uint32_t> Sample(ID3D10Texture2D* texture) {
    D3D10_TEXTURE2D_DESC desc;
    texture->GetDesc(&desc);
    Ref<ID3D10ShaderResourceView> view;
    EXPECT_EQ(S_OK, device->CreateShaderResourceView(texture, nullptr, view.Put()));
    Ref<ID3D10Texture2D> target =
        MakeTexture(TextureDesc(desc.Width, desc.Height, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_RENDER_TARGET));
    Ref<ID3D10RenderTargetView> targetView;
    EXPECT_EQ(S_OK, device->CreateRenderTargetView(target.Get(), nullptr, targetView.Put()));
    ID3D10RenderTargetView* targets[] = {targetView.Get()};
    device->OMSetRenderTargets(1, targets, nullptr);
    D3D10_VIEWPORT viewport = {0, 0, desc.Width, desc.Height, 0.0f, 1.0f};
    device->RSSetViewports(1, &viewport);
    ID3D10ShaderResourceView* views[] = {view.Get()};
    device->PSSetShaderResources(0, 1, views);

    std::vector<uint8_t> blob;
    Ref<ID3D10VertexShader> vs = MakeVertexShader(kColorVS, ColorInputs(), &blob);
    Ref<ID3D10PixelShader> ps = MakePixelShader(R"(#version 450
layout(binding = 0) uniform sampler2D source;
layout(location = 0) out vec4 target;
void main() { target = texelFetch(source, ivec2(gl_FragCoord.xy), 0); }
)",
                                                {{0, 0, 0}});
    Ref<ID3D10InputLayout> layout;
    EXPECT_EQ(S_OK, device->CreateInputLayout(ColorElements(), 2, blob.data(), blob.size(), layout.Put()));
    std::vector<Vertex> vertices = FullScreenTriangle(0.5f, 0, 0, 0);
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
    return ReadTexels(target.Get());
  }

  TempDir dir;
};

// RGBA8 texels as 0xAABBGGRR.
inline uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b, uint32_t a = 255) { return r | g << 8 | b << 16 | a << 24; }
