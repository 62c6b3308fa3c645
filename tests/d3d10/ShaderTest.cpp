// Shader and signature blobs, shader creation and input layouts.
#include "D3D10Fixture.h"

namespace {

using ShaderTest = D3D10Test;

D3D10_PLATFORM_SHADER_DESC PixelDesc(const char* source) {
  D3D10_PLATFORM_SHADER_DESC desc = {};
  desc.Stage = D3D10_PLATFORM_SHADER_STAGE_PIXEL;
  desc.pSource = source;
  return desc;
}

TEST_F(ShaderTest, BuilderMeasuresWritesAndRefuses) {
  D3D10_PLATFORM_SHADER_DESC desc = PixelDesc(kColorPS);
  SIZE_T size = 0;
  ASSERT_EQ(S_OK, D3D10PlatformBuildShader(&desc, nullptr, &size));
  std::vector<uint8_t> blob(size);
  SIZE_T small = size - 1;
  EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&desc, blob.data(), &small));
  ASSERT_EQ(S_OK, D3D10PlatformBuildShader(&desc, blob.data(), &size));
  EXPECT_EQ(0, std::memcmp(blob.data(), "MVSH", 4));
  EXPECT_EQ(blob.size(), size);

  D3D10_PLATFORM_SHADER_DESC bad = desc;
  bad.pSource = "";
  EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&bad, nullptr, &size));
  bad = desc;
  bad.Stage = static_cast<D3D10_PLATFORM_SHADER_STAGE>(3);
  EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&bad, nullptr, &size));
  // Only vertex shaders have an input signature.
  D3D10_SIGNATURE_PARAMETER_DESC input = Input("POSITION", 0, 0);
  bad = desc;
  bad.pInputParameters = &input;
  bad.NumInputParameters = 1;
  EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&bad, nullptr, &size));
  // Slots, units and bindings in range, each unit and binding once.
  const D3D10_PLATFORM_SAMPLER_BINDING samplers[][2] = {
      {{128, 0, 0}, {0, 0, 1}}, {{0, 16, 0}, {0, 0, 1}}, {{0, 0, 48}, {0, 0, 1}}, {{0, 0, 3}, {1, 1, 3}}};
  for (const auto& pair : samplers) {
    bad = desc;
    bad.pSamplerBindings = pair;
    bad.NumSamplerBindings = 2;
    EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&bad, nullptr, &size));
  }
  const D3D10_PLATFORM_CONSTANT_BUFFER_BINDING blocks[][2] = {{{14, 0}, {0, 1}}, {{0, 48}, {1, 1}}, {{0, 2}, {1, 2}}};
  for (const auto& pair : blocks) {
    bad = desc;
    bad.pConstantBuffers = pair;
    bad.NumConstantBuffers = 2;
    EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildShader(&bad, nullptr, &size));
  }
}

TEST_F(ShaderTest, SignatureBuilderChecksEachParameter) {
  std::vector<uint8_t> blob = BuildSignature(ColorInputs());
  EXPECT_EQ(0, std::memcmp(blob.data(), "MVIS", 4));
  const D3D10_SIGNATURE_PARAMETER_DESC bad[] = {
      {"", 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 0xF, 0xF},
      {nullptr, 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 0xF, 0xF},
      {"A", 0, 16, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 0xF, 0xF},
      {"A", 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_UNKNOWN, 0xF, 0xF},
      {"A", 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 0, 0},
      {"A", 0, 0, D3D10_NAME_UNDEFINED, D3D10_REGISTER_COMPONENT_FLOAT32, 0x1F, 0xF},
      {"A", 0, 0, static_cast<D3D10_NAME>(40), D3D10_REGISTER_COMPONENT_FLOAT32, 0xF, 0xF},
  };
  for (const D3D10_SIGNATURE_PARAMETER_DESC& parameter : bad) {
    SIZE_T size = 0;
    EXPECT_EQ(E_INVALIDARG, D3D10PlatformBuildSignature(&parameter, 1, nullptr, &size));
  }
}

TEST_F(ShaderTest, CreationRefusesMalformedBlobsAndBadGlsl) {
  std::vector<uint8_t> blob = BuildShader(PixelDesc(kColorPS));
  Ref<ID3D10PixelShader> shader;
  EXPECT_EQ(S_OK, device->CreatePixelShader(blob.data(), blob.size(), shader.Put()));
  EXPECT_EQ(S_FALSE, device->CreatePixelShader(blob.data(), blob.size(), nullptr));
  // Wrong stage, short length, long length, bad magic, no bytes.
  Ref<ID3D10VertexShader> vertex;
  EXPECT_EQ(E_INVALIDARG, device->CreateVertexShader(blob.data(), blob.size(), vertex.Put()));
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(blob.data(), blob.size() - 4, shader.Put()));
  std::vector<uint8_t> longer = blob;
  longer.resize(blob.size() + 4);
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(longer.data(), longer.size(), shader.Put()));
  std::vector<uint8_t> wrongMagic = blob;
  wrongMagic[0] = 'X';
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(wrongMagic.data(), wrongMagic.size(), shader.Put()));
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(nullptr, 0, shader.Put()));
  // A section pointing past the end.
  std::vector<uint8_t> outside = blob;
  outside[16] = 0xF0;
  outside[17] = 0xFF;
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(outside.data(), outside.size(), shader.Put()));
  EXPECT_FALSE(shader);

  std::vector<uint8_t> broken = BuildShader(PixelDesc("#version 450\nvoid main() { undeclared = 1; }\n"));
  EXPECT_EQ(E_INVALIDARG, device->CreatePixelShader(broken.data(), broken.size(), shader.Put()));
  EXPECT_FALSE(shader);
}

TEST_F(ShaderTest, BoundShadersReadBack) {
  std::vector<uint8_t> blob;
  Ref<ID3D10VertexShader> vertex = MakeVertexShader(kColorVS, ColorInputs(), &blob);
  Ref<ID3D10PixelShader> pixel = MakePixelShader(kColorPS);
  device->VSSetShader(vertex.Get());
  device->PSSetShader(pixel.Get());
  Ref<ID3D10VertexShader> boundVertex;
  Ref<ID3D10PixelShader> boundPixel;
  Ref<ID3D10GeometryShader> boundGeometry;
  device->VSGetShader(boundVertex.Put());
  device->PSGetShader(boundPixel.Put());
  device->GSGetShader(boundGeometry.Put());
  EXPECT_EQ(vertex.Get(), boundVertex.Get());
  EXPECT_EQ(pixel.Get(), boundPixel.Get());
  EXPECT_FALSE(boundGeometry);
  // The signature inside the vertex shader blob is found.
  const void* signature = nullptr;
  SIZE_T size = 0;
  ASSERT_EQ(S_OK, D3D10PlatformGetInputSignature(blob.data(), blob.size(), &signature, &size));
  EXPECT_EQ(BuildSignature(ColorInputs()),
            std::vector<uint8_t>(static_cast<const uint8_t*>(signature), static_cast<const uint8_t*>(signature) + size));
}

struct LayoutCase {
  const char* name;
  std::vector<D3D10_INPUT_ELEMENT_DESC> elements;
  HRESULT expected;
};

// Against POSITION0 (float, register 0), COLOR0 (float, register 1),
// BLENDINDICES0 (uint, register 2) and SV_VertexID.
const D3D10_INPUT_ELEMENT_DESC kPosition = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                            D3D10_INPUT_PER_VERTEX_DATA, 0};
const D3D10_INPUT_ELEMENT_DESC kColor = {"COLOR", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 0, D3D10_APPEND_ALIGNED_ELEMENT,
                                         D3D10_INPUT_PER_VERTEX_DATA, 0};
const D3D10_INPUT_ELEMENT_DESC kIndices = {"BLENDINDICES", 0, DXGI_FORMAT_R8G8B8A8_UINT, 1, 0,
                                           D3D10_INPUT_PER_INSTANCE_DATA, 2};

D3D10_INPUT_ELEMENT_DESC Changed(D3D10_INPUT_ELEMENT_DESC e, void (*change)(D3D10_INPUT_ELEMENT_DESC&)) {
  change(e);
  return e;
}

const LayoutCase kLayoutCases[] = {
    {"AllInputsFed", {kPosition, kColor, kIndices}, S_OK},
    {"ExtraElementsIgnored",
     {kPosition, kColor, kIndices, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) { e.SemanticIndex = 1; })}, S_OK},
    {"SemanticsIgnoreCase",
     {Changed(kPosition, [](D3D10_INPUT_ELEMENT_DESC& e) { e.SemanticName = "position"; }), kColor, kIndices}, S_OK},
    {"FewerComponents",
     {Changed(kPosition, [](D3D10_INPUT_ELEMENT_DESC& e) { e.Format = DXGI_FORMAT_R32G32_FLOAT; }), kColor, kIndices},
     S_OK},
    {"MissingInput", {kPosition, kIndices}, E_INVALIDARG},
    {"WrongIndex", {kPosition, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) { e.SemanticIndex = 1; }), kIndices},
     E_INVALIDARG},
    {"IntegerFormatForFloatInput",
     {kPosition, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) { e.Format = DXGI_FORMAT_R8G8B8A8_UINT; }), kIndices},
     E_INVALIDARG},
    {"FloatFormatForIntegerInput",
     {kPosition, kColor, Changed(kIndices, [](D3D10_INPUT_ELEMENT_DESC& e) { e.Format = DXGI_FORMAT_R32_FLOAT; })},
     E_INVALIDARG},
    {"NotAVertexFormat",
     {kPosition, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) { e.Format = DXGI_FORMAT_R8G8B8A8_UNORM_SRGB; }),
      kIndices},
     E_INVALIDARG},
    {"SlotOutOfRange", {kPosition, kColor, Changed(kIndices, [](D3D10_INPUT_ELEMENT_DESC& e) { e.InputSlot = 16; })},
     E_INVALIDARG},
    {"UnknownClassification",
     {kPosition, kColor,
      Changed(kIndices, [](D3D10_INPUT_ELEMENT_DESC& e) { SetRaw(e.InputSlotClass, 2); })},
     E_INVALIDARG},
    {"PerVertexStepRate",
     {Changed(kPosition, [](D3D10_INPUT_ELEMENT_DESC& e) { e.InstanceDataStepRate = 1; }), kColor, kIndices},
     E_INVALIDARG},
    {"MixedClassesInASlot", {kPosition, kColor, Changed(kIndices, [](D3D10_INPUT_ELEMENT_DESC& e) { e.InputSlot = 0; })},
     E_INVALIDARG},
    {"DuplicateSemantic", {kPosition, kColor, kIndices, kColor}, E_INVALIDARG},
    {"OffsetPastTheVertex",
     {kPosition, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) { e.AlignedByteOffset = 2046; }), kIndices},
     E_INVALIDARG},
    {"NoSemanticName", {kPosition, kColor, kIndices, Changed(kColor, [](D3D10_INPUT_ELEMENT_DESC& e) {
                          e.SemanticName = nullptr;
                        })},
     E_INVALIDARG},
    {"TooManyElements", std::vector<D3D10_INPUT_ELEMENT_DESC>(17, kPosition), E_INVALIDARG},
};

class InputLayoutValidationTest : public D3D10Test, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(InputLayoutValidationTest, CreateInputLayoutAnswers) {
  std::vector<D3D10_SIGNATURE_PARAMETER_DESC> inputs = ColorInputs();
  inputs.push_back(Input("BLENDINDICES", 0, 2, D3D10_REGISTER_COMPONENT_UINT32));
  inputs.push_back({"SV_VertexID", 0, 3, D3D10_NAME_VERTEX_ID, D3D10_REGISTER_COMPONENT_UINT32, 0x1, 0x1});
  std::vector<uint8_t> signature = BuildSignature(inputs);
  const LayoutCase& c = GetParam();
  Ref<ID3D10InputLayout> layout;
  EXPECT_EQ(c.expected, device->CreateInputLayout(c.elements.data(), static_cast<UINT>(c.elements.size()),
                                                  signature.data(), signature.size(), layout.Put()));
  EXPECT_EQ(SUCCEEDED(c.expected), static_cast<bool>(layout));
}

INSTANTIATE_TEST_SUITE_P(Elements, InputLayoutValidationTest, ::testing::ValuesIn(kLayoutCases),
                         [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST_F(ShaderTest, InputLayoutRefusesOtherBytes) {
  std::vector<uint8_t> pixel = BuildShader(PixelDesc(kColorPS));
  Ref<ID3D10InputLayout> layout;
  // A pixel shader has no input signature; a damaged signature is no signature.
  EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(&kPosition, 1, pixel.data(), pixel.size(), layout.Put()));
  std::vector<uint8_t> signature = BuildSignature({Input("POSITION", 0, 0)});
  signature[8] ^= 1;
  EXPECT_EQ(E_INVALIDARG, device->CreateInputLayout(&kPosition, 1, signature.data(), signature.size(), layout.Put()));
  signature[8] ^= 1;
  EXPECT_EQ(S_OK, device->CreateInputLayout(&kPosition, 1, signature.data(), signature.size(), layout.Put()));
  device->IASetInputLayout(layout.Get());
  Ref<ID3D10InputLayout> bound;
  device->IAGetInputLayout(bound.Put());
  EXPECT_EQ(layout.Get(), bound.Get());
}

}  // namespace
