// Device creation, bindings read back through Get*, lifetime and contexts.
#include <dxgi.h>

#include "D3D10Fixture.h"

namespace {

struct CreateCase {
  const char* name;
  D3D10_DRIVER_TYPE driverType;
  bool softwareModule;
  UINT flags;
  UINT sdkVersion;
  HRESULT expected;
};

const CreateCase kCreateCases[] = {
    {"Hardware", D3D10_DRIVER_TYPE_HARDWARE, false, 0, D3D10_SDK_VERSION, S_OK},
    {"SingleThreadedDebug", D3D10_DRIVER_TYPE_HARDWARE, false,
     D3D10_CREATE_DEVICE_SINGLETHREADED | D3D10_CREATE_DEVICE_DEBUG, D3D10_SDK_VERSION, S_OK},
    {"WrongSdkVersion", D3D10_DRIVER_TYPE_HARDWARE, false, 0, D3D10_SDK_VERSION + 1, E_INVALIDARG},
    {"HardwareWithSoftwareModule", D3D10_DRIVER_TYPE_HARDWARE, true, 0, D3D10_SDK_VERSION, E_INVALIDARG},
    {"SoftwareWithoutModule", D3D10_DRIVER_TYPE_SOFTWARE, false, 0, D3D10_SDK_VERSION, E_INVALIDARG},
    {"UnknownFlag", D3D10_DRIVER_TYPE_HARDWARE, false, 0x100, D3D10_SDK_VERSION, E_INVALIDARG},
    {"UnknownDriverType", D3D10_DRIVER_TYPE(4), false, 0, D3D10_SDK_VERSION, E_INVALIDARG},
    {"Reference", D3D10_DRIVER_TYPE_REFERENCE, false, 0, D3D10_SDK_VERSION, DXGI_ERROR_UNSUPPORTED},
};

class DeviceCreationTest : public ::testing::TestWithParam<CreateCase> {};

TEST_P(DeviceCreationTest, D3D10CreateDeviceAnswers) {
  const CreateCase& c = GetParam();
  HMODULE module = c.softwareModule ? reinterpret_cast<HMODULE>(0x1000) : nullptr;
  Ref<ID3D10Device> device;
  EXPECT_EQ(c.expected, D3D10CreateDevice(nullptr, c.driverType, module, c.flags, c.sdkVersion, device.Put()));
  EXPECT_EQ(SUCCEEDED(c.expected), static_cast<bool>(device));
  if (device) {
    EXPECT_EQ((c.flags & D3D10_CREATE_DEVICE_DEBUG) != 0, D3D10Testing::IsDebugDevice(device.Get()));
  }
}

INSTANTIATE_TEST_SUITE_P(Arguments, DeviceCreationTest, ::testing::ValuesIn(kCreateCases),
                         [](const ::testing::TestParamInfo<CreateCase>& info) { return std::string(info.param.name); });

TEST(DeviceCreation, NullOutputAndInjectedFailure) {
  EXPECT_EQ(E_INVALIDARG,
            D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, nullptr));
  PlatformTesting::FailCall("D3D10CreateDevice", DXGI_ERROR_UNSUPPORTED);
  Ref<ID3D10Device> device;
  EXPECT_EQ(DXGI_ERROR_UNSUPPORTED,
            D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, device.Put()));
  EXPECT_FALSE(device);
  EXPECT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION, device.Put()));
  PlatformTesting::Reset();
}

TEST(DeviceCreation, OnTheFactorysFirstAdapter) {
  Ref<IDXGIFactory> factory;
  ASSERT_EQ(S_OK, CreateDXGIFactory(IID_IDXGIFactory, reinterpret_cast<void**>(factory.Put())));
  Ref<IDXGIAdapter> adapter;
  ASSERT_EQ(S_OK, factory->EnumAdapters(0, adapter.Put()));
  Ref<ID3D10Device> device;
  EXPECT_EQ(S_OK, D3D10CreateDevice(adapter.Get(), D3D10_DRIVER_TYPE_HARDWARE, nullptr, 0, D3D10_SDK_VERSION,
                                    device.Put()));
  EXPECT_TRUE(device);
  // An adapter goes with hardware devices only.
  Ref<ID3D10Device> reference;
  EXPECT_EQ(E_INVALIDARG, D3D10CreateDevice(adapter.Get(), D3D10_DRIVER_TYPE_REFERENCE, nullptr, 0,
                                            D3D10_SDK_VERSION, reference.Put()));
}

using DeviceTest = D3D10Test;

TEST_F(DeviceTest, InterfacesAndRemovedReason) {
  Ref<IUnknown> unknown;
  EXPECT_EQ(S_OK, device->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.Put())));
  Ref<ID3D10Device> same;
  EXPECT_EQ(S_OK, device->QueryInterface(IID_ID3D10Device, reinterpret_cast<void**>(same.Put())));
  EXPECT_EQ(device.Get(), same.Get());
  Ref<ID3D10Buffer> notABuffer;
  EXPECT_EQ(E_NOINTERFACE, device->QueryInterface(IID_ID3D10Buffer, reinterpret_cast<void**>(notABuffer.Put())));
  EXPECT_EQ(S_OK, device->GetDeviceRemovedReason());
  device->Flush();
}

TEST_F(DeviceTest, InputAssemblerBindingsReadBack) {
  Ref<ID3D10Buffer> vertices = MakeBuffer(64, D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, nullptr);
  Ref<ID3D10Buffer> indices = MakeBuffer(64, D3D10_USAGE_DEFAULT, D3D10_BIND_INDEX_BUFFER, 0, nullptr);
  ID3D10Buffer* buffers[] = {vertices.Get(), nullptr, vertices.Get()};
  UINT strides[] = {12, 0, 16}, offsets[] = {0, 0, 8};
  device->IASetVertexBuffers(14, 2, buffers, strides, offsets);
  device->IASetVertexBuffers(15, 2, buffers, strides, offsets);  // past slot 15: dropped
  device->IASetIndexBuffer(indices.Get(), DXGI_FORMAT_R16_UINT, 6);
  device->IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP);

  ID3D10Buffer* bound[3] = {};
  UINT boundStrides[3] = {}, boundOffsets[3] = {};
  device->IAGetVertexBuffers(13, 3, bound, boundStrides, boundOffsets);
  EXPECT_EQ(nullptr, bound[0]);
  EXPECT_EQ(vertices.Get(), bound[1]);
  EXPECT_EQ(12u, boundStrides[1]);
  EXPECT_EQ(nullptr, bound[2]);
  bound[1]->Release();
  Ref<ID3D10Buffer> boundIndices;
  DXGI_FORMAT format = DXGI_FORMAT_UNKNOWN;
  UINT offset = 0;
  device->IAGetIndexBuffer(boundIndices.Put(), &format, &offset);
  EXPECT_EQ(indices.Get(), boundIndices.Get());
  EXPECT_EQ(DXGI_FORMAT_R16_UINT, format);
  EXPECT_EQ(6u, offset);
  D3D10_PRIMITIVE_TOPOLOGY topology = D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED;
  device->IAGetPrimitiveTopology(&topology);
  EXPECT_EQ(D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP, topology);
  // The bindings hold references of their own.
  EXPECT_EQ(2u, RefCount(vertices.Get()));
  device->IASetVertexBuffers(14, 1, std::vector<ID3D10Buffer*>{nullptr}.data(), strides, offsets);
  EXPECT_EQ(1u, RefCount(vertices.Get()));
}

TEST_F(DeviceTest, ShaderStageBindingsReadBack) {
  Ref<ID3D10Buffer> constants = MakeBuffer(16, D3D10_USAGE_DEFAULT, D3D10_BIND_CONSTANT_BUFFER, 0, nullptr);
  Ref<ID3D10Texture2D> texture = MakeTexture(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE));
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.Put()));
  ID3D10Buffer* buffers[] = {constants.Get()};
  ID3D10ShaderResourceView* views[] = {view.Get()};
  device->VSSetConstantBuffers(13, 1, buffers);
  device->GSSetConstantBuffers(0, 1, buffers);
  device->PSSetConstantBuffers(14, 1, buffers);  // past the last slot: dropped
  device->GSSetShaderResources(127, 1, views);
  device->VSSetShaderResources(0, 1, views);

  Ref<ID3D10Buffer> vsBuffer, gsBuffer, psBuffer;
  device->VSGetConstantBuffers(13, 1, vsBuffer.Put());
  device->GSGetConstantBuffers(0, 1, gsBuffer.Put());
  device->PSGetConstantBuffers(13, 1, psBuffer.Put());
  EXPECT_EQ(constants.Get(), vsBuffer.Get());
  EXPECT_EQ(constants.Get(), gsBuffer.Get());
  EXPECT_FALSE(psBuffer);
  Ref<ID3D10ShaderResourceView> gsView, psView;
  device->GSGetShaderResources(127, 1, gsView.Put());
  device->PSGetShaderResources(0, 1, psView.Put());
  EXPECT_EQ(view.Get(), gsView.Get());
  EXPECT_FALSE(psView);
  Ref<ID3D10SamplerState> sampler;
  device->VSGetSamplers(0, 1, sampler.Put());
  EXPECT_FALSE(sampler);
}

TEST_F(DeviceTest, OutputAndRasterizerBindingsReadBack) {
  BindTarget();
  ID3D10RenderTargetView* views[2] = {};
  Ref<ID3D10DepthStencilView> depth;
  device->OMGetRenderTargets(2, views, depth.Put());
  EXPECT_EQ(targetView.Get(), views[0]);
  EXPECT_EQ(nullptr, views[1]);
  EXPECT_FALSE(depth);
  views[0]->Release();

  D3D10_VIEWPORT viewports[2] = {{1, 2, 3, 4, 0.25f, 0.75f}, {5, 6, 7, 8, 0, 1}};
  device->RSSetViewports(2, viewports);
  UINT count = 0;
  device->RSGetViewports(&count, nullptr);
  EXPECT_EQ(2u, count);
  D3D10_VIEWPORT boundViewports[3];
  count = 3;
  device->RSGetViewports(&count, boundViewports);
  EXPECT_EQ(6, boundViewports[1].TopLeftY);
  EXPECT_EQ(0.75f, boundViewports[0].MaxDepth);
  EXPECT_EQ(0u, boundViewports[2].Width);
  D3D10_RECT rects[1] = {{1, 2, 3, 4}};
  device->RSSetScissorRects(1, rects);
  device->RSGetScissorRects(&count, nullptr);
  EXPECT_EQ(1u, count);

  device->ClearState();
  device->OMGetRenderTargets(2, views, depth.Put());
  EXPECT_EQ(nullptr, views[0]);
  device->RSGetViewports(&count, nullptr);
  EXPECT_EQ(0u, count);
  EXPECT_EQ(1u, RefCount(targetView.Get()));
}

TEST_F(DeviceTest, ChildrenOutliveTheApplicationsDeviceReference) {
  BindTarget();
  Ref<ID3D10Buffer> buffer = MakeBuffer(16, D3D10_USAGE_DEFAULT, D3D10_BIND_VERTEX_BUFFER, 0, nullptr);
  ID3D10Buffer* bound[] = {buffer.Get()};
  UINT stride = 16, offset = 0;
  device->IASetVertexBuffers(0, 1, bound, &stride, &offset);
  ID3D10Device* raw = device.Get();
  device.Reset();
  target.Reset();
  targetView.Reset();
  // The binding let go when the last device reference went.
  EXPECT_EQ(1u, RefCount(buffer.Get()));
  ID3D10Device* owner = nullptr;
  buffer->GetDevice(&owner);
  EXPECT_EQ(raw, owner);
  owner->Release();
  // The last child takes the device with it.
  buffer.Reset();
}

TEST_F(DeviceTest, TwoDevicesDrawInTheirOwnContexts) {
  Ref<ID3D10Device> second;
  ASSERT_EQ(S_OK, D3D10CreateDevice(nullptr, D3D10_DRIVER_TYPE_HARDWARE, nullptr, D3D10_CREATE_DEVICE_DEBUG,
                                    D3D10_SDK_VERSION, second.Put()));
  auto makeTarget = [](ID3D10Device* owner, Ref<ID3D10Texture2D>* texture, Ref<ID3D10RenderTargetView>* view) {
    D3D10_TEXTURE2D_DESC desc = TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_RENDER_TARGET);
    ASSERT_EQ(S_OK, owner->CreateTexture2D(&desc, nullptr, texture->Put()));
    ASSERT_EQ(S_OK, owner->CreateRenderTargetView(texture->Get(), nullptr, view->Put()));
  };
  Ref<ID3D10Texture2D> firstTexture, secondTexture;
  Ref<ID3D10RenderTargetView> firstView, secondView;
  makeTarget(device.Get(), &firstTexture, &firstView);
  makeTarget(second.Get(), &secondTexture, &secondView);
  const FLOAT red[4] = {1, 0, 0, 1}, blue[4] = {0, 0, 1, 1};
  device->ClearRenderTargetView(firstView.Get(), red);
  second->ClearRenderTargetView(secondView.Get(), blue);
  EXPECT_EQ(kRed, ReadTexels(firstTexture.Get())[0]);
  D3D10Testing::DeviceCounters counters{};
  ASSERT_EQ(S_OK, D3D10Testing::GetCounters(second.Get(), &counters));
  EXPECT_EQ(1u, counters.textureCreations);
  EXPECT_EQ(0u, counters.glErrors);
}

}  // namespace
