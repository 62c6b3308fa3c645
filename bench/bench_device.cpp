// Draw submission through the engine against the same calls made straight on
// ID3D10Device, the stream vertex buffer under DrawUP, and the cost of
// deduplicating device states by their packed names. Each figure is printed
// as a ratio against its baseline run in this process.
#include <benchmark/benchmark.h>

#include <d3d10_platform.h>
#include <platform_testing.h>

#include <morvane/Buffer.h>
#include <morvane/BufferLayout.h>
#include <morvane/Core.h>
#include <morvane/DeviceState.h>
#include <morvane/GraphicsDevice.h>

#include <vector>

#include "bench_ratio.h"

namespace {

const char* const kVertexSource =
    "#version 450\n"
    "layout(location = 0) in vec3 position;\n"
    "void main() { gl_Position = vec4(position * 0.1, 1.0); }\n";
const char* const kPixelSource =
    "#version 450\n"
    "layout(location = 0) out vec4 color;\n"
    "void main() { color = vec4(1.0); }\n";

std::vector<unsigned char> BuildShader(D3D10_PLATFORM_SHADER_STAGE stage, const char* source,
                                       const D3D10_SIGNATURE_PARAMETER_DESC* inputs, UINT inputCount) {
  D3D10_PLATFORM_SHADER_DESC desc = {};
  desc.Stage = stage;
  desc.pSource = source;
  desc.pInputParameters = inputs;
  desc.NumInputParameters = inputCount;
  SIZE_T size = 0;
  D3D10PlatformBuildShader(&desc, nullptr, &size);
  std::vector<unsigned char> blob(size);
  D3D10PlatformBuildShader(&desc, blob.data(), &size);
  return blob;
}

// A unit cube drawn as 36 indices into a 16x16 target.
class Scene {
 public:
  Scene() {
    Core::Init();
    device = new GraphicsDevice(0, false);
    ID3D10Device* d3d = device->GetDevice();

    const float corners[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                 {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const unsigned short indices[36] = {0, 1, 2, 0, 2, 3, 4, 6, 5, 4, 7, 6, 0, 4, 5, 0, 5, 1,
                                        3, 2, 6, 3, 6, 7, 1, 5, 6, 1, 6, 2, 0, 3, 7, 0, 7, 4};
    vertices = new VertexBuffer(device, 8, 12, false, corners);
    indexBuffer = new IndexBuffer(device, 36, false, false, indices);

    D3D10_SIGNATURE_PARAMETER_DESC input = {"POSITION", 0, 0, D3D10_NAME_UNDEFINED,
                                            D3D10_REGISTER_COMPONENT_FLOAT32, 7, 7};
    std::vector<unsigned char> vs = BuildShader(D3D10_PLATFORM_SHADER_STAGE_VERTEX, kVertexSource, &input, 1);
    std::vector<unsigned char> ps = BuildShader(D3D10_PLATFORM_SHADER_STAGE_PIXEL, kPixelSource, nullptr, 0);
    d3d->CreateVertexShader(vs.data(), vs.size(), &vertexShader);
    d3d->CreatePixelShader(ps.data(), ps.size(), &pixelShader);
    d3d->VSSetShader(vertexShader);
    d3d->PSSetShader(pixelShader);

    BUFFER_ELEMENT_DESC element = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, 0, 0};
    layout = device->GetLayoutManager()->CreateBufferLayout(&element, 1);
    signature = device->GetLayoutManager()->CreateInputSignature(vs.data(), static_cast<unsigned int>(vs.size()));

    D3D10_TEXTURE2D_DESC desc = {16, 16, 1, 1, DXGI_FORMAT_R8G8B8A8_UNORM, {1, 0}, D3D10_USAGE_DEFAULT,
                                 D3D10_BIND_RENDER_TARGET, 0, 0};
    d3d->CreateTexture2D(&desc, nullptr, &target);
    d3d->CreateRenderTargetView(target, nullptr, &targetView);
    d3d->OMSetRenderTargets(1, &targetView, nullptr);
    ViewPort viewport = {0, 0, 16, 16, 0.0f, 1.0f};
    device->SetViewPort(viewport);
    device->SetPrimitiveType(D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  }
  ~Scene() {
    targetView->Release();
    target->Release();
    vertexShader->Release();
    pixelShader->Release();
    layout->Release(true);
    signature->Release(true);
    delete vertices;
    delete indexBuffer;
    delete device;
    Core::Cleanup();
  }

  GraphicsDevice* device;
  VertexBuffer* vertices;
  IndexBuffer* indexBuffer;
  BufferLayout* layout;
  InputSignature* signature;
  ID3D10VertexShader* vertexShader = nullptr;
  ID3D10PixelShader* pixelShader = nullptr;
  ID3D10Texture2D* target = nullptr;
  ID3D10RenderTargetView* targetView = nullptr;
};

Scene& GetScene() {
  static Scene scene;
  return scene;
}

const int kDraws = 10000;

void BM_DrawIndexedDirect(benchmark::State& state) {
  Scene& scene = GetScene();
  ID3D10Device* d3d = scene.device->GetDevice();
  ID3D10InputLayout* inputLayout = scene.device->GetLayoutManager()->GetInputLayout(scene.layout, scene.signature);
  ID3D10Buffer* vertexBuffer = scene.vertices->GetBuffer();
  UINT stride = 12;
  UINT offset = 0;
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) {
      d3d->IASetVertexBuffers(0, 1, &vertexBuffer, &stride, &offset);
      d3d->IASetIndexBuffer(scene.indexBuffer->GetBuffer(), DXGI_FORMAT_R16_UINT, 0);
      d3d->IASetInputLayout(inputLayout);
      d3d->DrawIndexed(36, 0, 0);
    }
    d3d->Flush();
  }
}
BENCHMARK(BM_DrawIndexedDirect)->Unit(benchmark::kMillisecond);

void BM_DrawIndexedEngine(benchmark::State& state) {
  Scene& scene = GetScene();
  GraphicsDevice* device = scene.device;
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) {
      device->SetVertexBuffer(scene.vertices, 0);
      device->SetIndexBuffer(scene.indexBuffer, 0);
      device->SetInputLayout(scene.layout, scene.signature);
      device->DrawIndexed(36, 0, 0);
    }
    device->GetDevice()->Flush();
  }
}
BENCHMARK(BM_DrawIndexedEngine)->Unit(benchmark::kMillisecond);

void BM_DrawUP(benchmark::State& state) {
  Scene& scene = GetScene();
  GraphicsDevice* device = scene.device;
  device->SetInputLayout(scene.layout, scene.signature);
  const float quad[6][3] = {{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, -1, 0}, {1, 1, 0}, {-1, 1, 0}};
  unsigned created = PlatformTesting::CallCount("ID3D10Device::CreateBuffer");
  for (auto _ : state) {
    for (int i = 0; i < kDraws; ++i) device->DrawUP(quad, 12, 6);
    device->GetDevice()->Flush();
  }
  state.counters["draws_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * kDraws, benchmark::Counter::kIsRate);
  state.counters["buffer_recreations"] =
      static_cast<double>(PlatformTesting::CallCount("ID3D10Device::CreateBuffer") - created);
}
BENCHMARK(BM_DrawUP)->Unit(benchmark::kMillisecond);

void BM_RasterizerStateDirect(benchmark::State& state) {
  ID3D10Device* d3d = GetScene().device->GetDevice();
  D3D10_RASTERIZER_DESC desc = {D3D10_FILL_WIREFRAME, D3D10_CULL_NONE, FALSE, 2, 0.0f, 0.0f, TRUE, FALSE, FALSE, FALSE};
  for (auto _ : state) {
    ID3D10RasterizerState* raster = nullptr;
    d3d->CreateRasterizerState(&desc, &raster);
    raster->Release();
  }
}
BENCHMARK(BM_RasterizerStateDirect);

void BM_RasterizerStateManager(benchmark::State& state) {
  DeviceStateManager* states = GetScene().device->GetDeviceStateManager();
  RasterizerState* held = states->CreateRasterizerState(D3D10_FILL_WIREFRAME, D3D10_CULL_NONE, 2, 0.0f, 0.0f);
  for (auto _ : state)
    states->CreateRasterizerState(D3D10_FILL_WIREFRAME, D3D10_CULL_NONE, 2, 0.0f, 0.0f)->Release();
  held->Release();
}
BENCHMARK(BM_RasterizerStateManager);

}  // namespace

int main(int argc, char** argv) {
  int result = RunWithRatios(argc, argv,
                             {{"BM_DrawIndexedEngine", "BM_DrawIndexedDirect"},
                              {"BM_RasterizerStateManager", "BM_RasterizerStateDirect"}});
  return result;
}
