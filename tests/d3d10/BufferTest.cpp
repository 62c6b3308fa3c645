// Buffers: creation rules, map modes, copies and updates read back through
// staging buffers.
#include "D3D10Fixture.h"

namespace {

struct BufferCase {
  const char* name;
  D3D10_BUFFER_DESC desc;
  bool initialData;
  HRESULT expected;
};

constexpr UINT VB = D3D10_BIND_VERTEX_BUFFER, IB = D3D10_BIND_INDEX_BUFFER, CB = D3D10_BIND_CONSTANT_BUFFER;
constexpr UINT W = D3D10_CPU_ACCESS_WRITE, R = D3D10_CPU_ACCESS_READ;

const BufferCase kBufferCases[] = {
    {"ImmutableVertices", {64, D3D10_USAGE_IMMUTABLE, VB, 0, 0}, true, S_OK},
    {"DefaultIndices", {64, D3D10_USAGE_DEFAULT, IB, 0, 0}, false, S_OK},
    {"DynamicVertices", {64, D3D10_USAGE_DYNAMIC, VB, W, 0}, false, S_OK},
    {"StagingReadWrite", {64, D3D10_USAGE_STAGING, 0, R | W, 0}, false, S_OK},
    {"ConstantBuffer", {64, D3D10_USAGE_DEFAULT, CB, 0, 0}, false, S_OK},
    {"ZeroWidth", {0, D3D10_USAGE_DEFAULT, VB, 0, 0}, false, E_INVALIDARG},
    {"ImmutableWithoutData", {64, D3D10_USAGE_IMMUTABLE, VB, 0, 0}, false, E_INVALIDARG},
    {"ImmutableWithCpuAccess", {64, D3D10_USAGE_IMMUTABLE, VB, W, 0}, true, E_INVALIDARG},
    {"DefaultWithCpuAccess", {64, D3D10_USAGE_DEFAULT, VB, W, 0}, false, E_INVALIDARG},
    {"DynamicWithoutWrite", {64, D3D10_USAGE_DYNAMIC, VB, 0, 0}, false, E_INVALIDARG},
    {"DynamicWithRead", {64, D3D10_USAGE_DYNAMIC, VB, R | W, 0}, false, E_INVALIDARG},
    {"StagingWithBindFlags", {64, D3D10_USAGE_STAGING, VB, R, 0}, false, E_INVALIDARG},
    {"StagingWithoutCpuAccess", {64, D3D10_USAGE_STAGING, 0, 0, 0}, false, E_INVALIDARG},
    {"ConstantBufferNotMultipleOf16", {20, D3D10_USAGE_DEFAULT, CB, 0, 0}, false, E_INVALIDARG},
    {"ConstantBufferTooLarge", {65536 + 16, D3D10_USAGE_DEFAULT, CB, 0, 0}, false, E_INVALIDARG},
    {"ConstantBufferWithOtherBindings", {64, D3D10_USAGE_DEFAULT, CB | VB, 0, 0}, false, E_INVALIDARG},
    {"DepthStencilBinding", {64, D3D10_USAGE_DEFAULT, D3D10_BIND_DEPTH_STENCIL, 0, 0}, false, E_INVALIDARG},
    {"UnknownCpuAccess", {64, D3D10_USAGE_DYNAMIC, VB, W | 1, 0}, false, E_INVALIDARG},
    {"MiscFlags", {64, D3D10_USAGE_DEFAULT, VB, 0, D3D10_RESOURCE_MISC_TEXTURECUBE}, false, E_INVALIDARG},
};

class BufferValidationTest : public D3D10Test, public ::testing::WithParamInterface<BufferCase> {};

TEST_P(BufferValidationTest, CreateBufferAnswers) {
  const BufferCase& c = GetParam();
  std::vector<uint8_t> bytes(c.desc.ByteWidth + 16);
  D3D10_SUBRESOURCE_DATA data = {bytes.data(), 0, 0};
  Ref<ID3D10Buffer> buffer;
  EXPECT_EQ(c.expected, device->CreateBuffer(&c.desc, c.initialData ? &data : nullptr, buffer.Put()));
  EXPECT_EQ(SUCCEEDED(c.expected), static_cast<bool>(buffer));
  // A null output only validates.
  EXPECT_EQ(SUCCEEDED(c.expected) ? S_FALSE : c.expected,
            device->CreateBuffer(&c.desc, c.initialData ? &data : nullptr, nullptr));
}

INSTANTIATE_TEST_SUITE_P(Descriptions, BufferValidationTest, ::testing::ValuesIn(kBufferCases),
                         [](const ::testing::TestParamInfo<BufferCase>& info) { return std::string(info.param.name); });

using BufferValidation = D3D10Test;

TEST_F(BufferValidation, UnknownUsage) {
  D3D10_BUFFER_DESC desc = {64, D3D10_USAGE_DEFAULT, VB, 0, 0};
  SetRaw(desc.Usage, 4);
  Ref<ID3D10Buffer> buffer;
  EXPECT_EQ(E_INVALIDARG, device->CreateBuffer(&desc, nullptr, buffer.Put()));
}

class BufferTest : public D3D10Test {
 protected:
  std::vector<uint8_t> ReadBack(ID3D10Buffer* buffer) {
    D3D10_BUFFER_DESC desc;
    buffer->GetDesc(&desc);
    Ref<ID3D10Buffer> staging = MakeBuffer(desc.ByteWidth, D3D10_USAGE_STAGING, 0, R, nullptr);
    device->CopyResource(staging.Get(), buffer);
    void* data = nullptr;
    EXPECT_EQ(S_OK, staging->Map(D3D10_MAP_READ, 0, &data));
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + desc.ByteWidth);
    staging->Unmap();
    return bytes;
  }
};

TEST_F(BufferTest, InitialDataReadsBackThroughStaging) {
  std::vector<uint8_t> bytes(256);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7);
  Ref<ID3D10Buffer> buffer = MakeBuffer(256, D3D10_USAGE_IMMUTABLE, VB, 0, bytes.data());
  EXPECT_EQ(bytes, ReadBack(buffer.Get()));
  D3D10_RESOURCE_DIMENSION type;
  buffer->GetType(&type);
  EXPECT_EQ(D3D10_RESOURCE_DIMENSION_BUFFER, type);
  D3D10_BUFFER_DESC desc;
  buffer->GetDesc(&desc);
  EXPECT_EQ(256u, desc.ByteWidth);
  EXPECT_EQ(D3D10_USAGE_IMMUTABLE, desc.Usage);
  Ref<ID3D10Device> owner;
  buffer->GetDevice(owner.Put());
  EXPECT_EQ(device.Get(), owner.Get());
}

TEST_F(BufferTest, DiscardThenNoOverwriteKeepsEarlierWrites) {
  Ref<ID3D10Buffer> buffer = MakeBuffer(8, D3D10_USAGE_DYNAMIC, VB, W, nullptr);
  void* data = nullptr;
  ASSERT_EQ(S_OK, buffer->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  std::memcpy(data, "abcd", 4);
  buffer->Unmap();
  EXPECT_EQ(D3D10_MAP_WRITE_DISCARD, D3D10Testing::LastMapType(buffer.Get()));
  ASSERT_EQ(S_OK, buffer->Map(D3D10_MAP_WRITE_NO_OVERWRITE, 0, &data));
  std::memcpy(static_cast<char*>(data) + 4, "efgh", 4);
  buffer->Unmap();
  EXPECT_EQ(D3D10_MAP_WRITE_NO_OVERWRITE, D3D10Testing::LastMapType(buffer.Get()));
  std::vector<uint8_t> bytes = ReadBack(buffer.Get());
  EXPECT_EQ("abcdefgh", std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(1u, Counters().maps[D3D10_MAP_WRITE_DISCARD]);
  EXPECT_EQ(1u, Counters().maps[D3D10_MAP_WRITE_NO_OVERWRITE]);
  EXPECT_EQ(1u, Counters().maps[D3D10_MAP_READ]);
}

TEST_F(BufferTest, MapTypesFollowTheUsage) {
  const uint8_t bytes[16] = {};
  Ref<ID3D10Buffer> immutable = MakeBuffer(16, D3D10_USAGE_IMMUTABLE, VB, 0, bytes);
  Ref<ID3D10Buffer> byDefault = MakeBuffer(16, D3D10_USAGE_DEFAULT, VB, 0, nullptr);
  Ref<ID3D10Buffer> dynamic = MakeBuffer(16, D3D10_USAGE_DYNAMIC, VB, W, nullptr);
  Ref<ID3D10Buffer> constants = MakeBuffer(16, D3D10_USAGE_DYNAMIC, CB, W, nullptr);
  Ref<ID3D10Buffer> readOnly = MakeBuffer(16, D3D10_USAGE_STAGING, 0, R, nullptr);
  void* data = nullptr;
  EXPECT_EQ(E_INVALIDARG, immutable->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  EXPECT_EQ(E_INVALIDARG, byDefault->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  EXPECT_EQ(E_INVALIDARG, dynamic->Map(D3D10_MAP_READ, 0, &data));
  EXPECT_EQ(E_INVALIDARG, dynamic->Map(D3D10_MAP_WRITE, 0, &data));
  EXPECT_EQ(E_INVALIDARG, constants->Map(D3D10_MAP_WRITE_NO_OVERWRITE, 0, &data));
  EXPECT_EQ(E_INVALIDARG, readOnly->Map(D3D10_MAP_WRITE, 0, &data));
  EXPECT_EQ(E_INVALIDARG, readOnly->Map(D3D10_MAP_WRITE_DISCARD, 0, &data));
  EXPECT_EQ(E_INVALIDARG, dynamic->Map(D3D10_MAP_WRITE_DISCARD, 0x1, &data));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0, D3D10Testing::LastMapType(dynamic.Get()));
  // One map at a time.
  ASSERT_EQ(S_OK, readOnly->Map(D3D10_MAP_READ, D3D10_MAP_FLAG_DO_NOT_WAIT, &data));
  EXPECT_EQ(E_INVALIDARG, readOnly->Map(D3D10_MAP_READ, 0, &data));
  readOnly->Unmap();
  EXPECT_EQ(1u, Counters().maps[D3D10_MAP_READ]);
}

TEST_F(BufferTest, CopiesBetweenEveryKindOfBuffer) {
  std::vector<uint8_t> bytes(64);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(255 - i);
  Ref<ID3D10Buffer> staging = MakeBuffer(64, D3D10_USAGE_STAGING, 0, R | W, nullptr);
  void* data = nullptr;
  ASSERT_EQ(S_OK, staging->Map(D3D10_MAP_WRITE, 0, &data));
  std::memcpy(data, bytes.data(), bytes.size());
  staging->Unmap();
  // Staging to GPU, GPU to GPU, GPU to staging.
  Ref<ID3D10Buffer> first = MakeBuffer(64, D3D10_USAGE_DEFAULT, VB, 0, nullptr);
  Ref<ID3D10Buffer> second = MakeBuffer(64, D3D10_USAGE_DEFAULT, IB, 0, nullptr);
  device->CopyResource(first.Get(), staging.Get());
  device->CopyResource(second.Get(), first.Get());
  EXPECT_EQ(bytes, ReadBack(second.Get()));
  // Sizes must match and immutable buffers never change.
  Ref<ID3D10Buffer> small = MakeBuffer(32, D3D10_USAGE_DEFAULT, VB, 0, nullptr);
  device->CopyResource(small.Get(), first.Get());
  EXPECT_EQ(std::vector<uint8_t>(32, 0), ReadBack(small.Get()));
  std::vector<uint8_t> zeros(64, 0);
  Ref<ID3D10Buffer> immutable = MakeBuffer(64, D3D10_USAGE_IMMUTABLE, VB, 0, zeros.data());
  device->CopyResource(immutable.Get(), first.Get());
  EXPECT_EQ(zeros, ReadBack(immutable.Get()));
}

TEST_F(BufferTest, UpdateSubresourceWritesDefaultBuffers) {
  Ref<ID3D10Buffer> buffer = MakeBuffer(8, D3D10_USAGE_DEFAULT, VB, 0, "........");
  D3D10_BOX box = {2, 0, 0, 5, 1, 1};
  device->UpdateSubresource(buffer.Get(), 0, &box, "xyz", 0, 0);
  std::vector<uint8_t> bytes = ReadBack(buffer.Get());
  EXPECT_EQ("..xyz...", std::string(bytes.begin(), bytes.end()));
  // Dynamic buffers are not updated this way.
  Ref<ID3D10Buffer> dynamic = MakeBuffer(8, D3D10_USAGE_DYNAMIC, VB, W, nullptr);
  device->UpdateSubresource(dynamic.Get(), 0, nullptr, "abcdefgh", 0, 0);
}

TEST_F(BufferTest, InjectedFailureReachesTheCaller) {
  PlatformTesting::FailCall("ID3D10Device::CreateBuffer", E_OUTOFMEMORY);
  D3D10_BUFFER_DESC desc = {64, D3D10_USAGE_DEFAULT, VB, 0, 0};
  Ref<ID3D10Buffer> buffer;
  EXPECT_EQ(E_OUTOFMEMORY, device->CreateBuffer(&desc, nullptr, buffer.Put()));
  EXPECT_FALSE(buffer);
  EXPECT_EQ(S_OK, device->CreateBuffer(&desc, nullptr, buffer.Put()));
  EXPECT_EQ(2u, PlatformTesting::CallCount("ID3D10Device::CreateBuffer"));
  EXPECT_EQ(1u, Counters().bufferCreations);
}

}  // namespace
