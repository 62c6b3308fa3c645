// The effect interfaces: reflection, variables and their typed views, passes,
// pools and creation failures.
#include <cstring>

#include "FxTestSupport.h"
#include "fx/fx_compiler.h"
#include "fx/fx_object.h"

namespace {

const char* const kVariables = R"(
float Scale = 2.5;
float3 Offset;
int Count = 3;
bool Enabled;
uint Mask = 0xF0;
float Weights[4] = {1, 2, 3, 4};
float4 Colors[2];
float4x4 ColumnMatrix : WORLD;
row_major float4x4 RowMatrix : World2;
float3x2 Small = {1, 2, 3, 4, 5, 6};
struct Light { float3 Direction : DIRECTION; float Intensity; float4 Color; };
Light Lights[2];
string Name <string UIName = "Title";> = "Effect";
Texture2D Diffuse : DIFFUSEMAP <string ResourceName = "a.dds"; int Width = 64; float2 Size = {1, 2};>;
Texture2D Maps[3];
SamplerState Point { Filter = MIN_MAG_MIP_POINT; AddressU = WRAP; MaxAnisotropy = 4; BorderColor = float4(1, 0, 0, 1); };
BlendState Additive { BlendEnable[1] = TRUE; SrcBlend = ONE; DestBlend = ONE; RenderTargetWriteMask[1] = 0x3; };
DepthStencilState NoDepth { DepthEnable = FALSE; StencilEnable = TRUE; FrontFaceStencilPass = INCR_SAT; };
RasterizerState Wire { FillMode = WIREFRAME; CullMode = NONE; DepthBias = -2; };

float4 VS(float3 p : POSITION) : SV_Position {
  return mul(float4(p * Scale + Offset, 1), ColumnMatrix) + mul(float4(p, Count), RowMatrix) + Weights[1] +
         Colors[0] + Lights[1].Color * Lights[0].Intensity + float4(mul(float3(1, 1, 1), Small), Enabled, Mask);
}
float4 PS(float4 p : SV_Position) : SV_Target { return Diffuse.Sample(Point, p.xy) + Maps[2].Sample(Point, p.xy); }

VertexShader ShaderVariable = CompileShader(vs_4_0, VS());

technique10 Main <string Kind = "test"; int Order = 1;> {
  pass First <float Weight = 0.5;> {
    SetVertexShader(ShaderVariable);
    SetGeometryShader(NULL);
    SetPixelShader(CompileShader(ps_4_0, PS()));
    SetBlendState(Additive, float4(0.25, 0.5, 0.75, 1), 0x0000FFFF);
    SetDepthStencilState(NoDepth, 7);
    SetRasterizerState(Wire);
  }
  pass Second {
    SetVertexShader(CompileShader(vs_4_0, VS()));
    SetPixelShader(NULL);
  }
}
)";

float RawFloat(ID3D10EffectVariable* variable, UINT offset) {
  float value = -1;
  EXPECT_EQ(S_OK, variable->GetRawValue(&value, offset, 4));
  return value;
}

class VariableTest : public EffectTest {
 protected:
  void SetUp() override {
    EffectTest::SetUp();
    effect = Compile(kVariables);
    ASSERT_TRUE(effect);
  }
  ID3D10EffectVariable* Var(const char* name) { return effect->GetVariableByName(name); }

  Ref<ID3D10Effect> effect;
};

TEST_F(VariableTest, DescriptionsListVariablesInBufferThenObjectOrder) {
  D3D10_EFFECT_DESC desc;
  ASSERT_EQ(S_OK, effect->GetDesc(&desc));
  EXPECT_FALSE(desc.IsChildEffect);
  EXPECT_EQ(1u, desc.ConstantBuffers);
  EXPECT_EQ(0u, desc.SharedConstantBuffers);
  EXPECT_EQ(11u + 8u, desc.GlobalVariables);
  EXPECT_EQ(1u, desc.Techniques);
  const char* const names[] = {"Scale",  "Offset", "Count",    "Enabled", "Mask", "Weights",  "Colors",
                               "ColumnMatrix", "RowMatrix", "Small", "Lights", "Name", "Diffuse", "Maps",
                               "Point",  "Additive", "NoDepth", "Wire", "ShaderVariable"};
  for (UINT i = 0; i < desc.GlobalVariables; ++i) {
    D3D10_EFFECT_VARIABLE_DESC variable;
    ASSERT_EQ(S_OK, effect->GetVariableByIndex(i)->GetDesc(&variable)) << i;
    EXPECT_STREQ(names[i], variable.Name);
  }
  EXPECT_FALSE(effect->GetVariableByIndex(desc.GlobalVariables)->IsValid());
  D3D10_EFFECT_VARIABLE_DESC scale;
  ASSERT_EQ(S_OK, Var("Scale")->GetDesc(&scale));
  EXPECT_EQ(nullptr, scale.Semantic);
  EXPECT_EQ(0u, scale.BufferOffset);
  D3D10_EFFECT_VARIABLE_DESC offset;
  ASSERT_EQ(S_OK, Var("Offset")->GetDesc(&offset));
  EXPECT_EQ(4u, offset.BufferOffset);  // HLSL packing: a float3 fits after a float
  // Semantics compare without case; names with it.
  EXPECT_EQ(Var("ColumnMatrix"), effect->GetVariableBySemantic("world"));
  EXPECT_EQ(Var("Diffuse"), effect->GetVariableBySemantic("DiffuseMap"));
  EXPECT_FALSE(effect->GetVariableByName("scale")->IsValid());
  ID3D10EffectConstantBuffer* globals = effect->GetConstantBufferByName("$Globals");
  ASSERT_TRUE(globals->IsValid());
  EXPECT_EQ(globals, effect->GetConstantBufferByIndex(0));
  EXPECT_EQ(globals, Var("Scale")->GetParentConstantBuffer());
  EXPECT_EQ(Var("Offset"), globals->GetMemberByIndex(1));
  EXPECT_FALSE(Var("Diffuse")->GetParentConstantBuffer()->IsValid());
}

TEST_F(VariableTest, TypesDescribeHlslPacking) {
  struct Expected {
    const char* name;
    D3D10_SHADER_VARIABLE_CLASS typeClass;
    D3D10_SHADER_VARIABLE_TYPE type;
    UINT elements, rows, columns, packed, unpacked, stride;
  };
  const Expected expected[] = {
      {"Scale", D3D10_SVC_SCALAR, D3D10_SVT_FLOAT, 0, 1, 1, 4, 4, 16},
      {"Offset", D3D10_SVC_VECTOR, D3D10_SVT_FLOAT, 0, 1, 3, 12, 12, 16},
      {"Count", D3D10_SVC_SCALAR, D3D10_SVT_INT, 0, 1, 1, 4, 4, 16},
      {"Enabled", D3D10_SVC_SCALAR, D3D10_SVT_BOOL, 0, 1, 1, 4, 4, 16},
      {"Weights", D3D10_SVC_SCALAR, D3D10_SVT_FLOAT, 4, 1, 1, 16, 52, 16},
      {"ColumnMatrix", D3D10_SVC_MATRIX_COLUMNS, D3D10_SVT_FLOAT, 0, 4, 4, 64, 64, 64},
      {"RowMatrix", D3D10_SVC_MATRIX_ROWS, D3D10_SVT_FLOAT, 0, 4, 4, 64, 64, 64},
      {"Small", D3D10_SVC_MATRIX_COLUMNS, D3D10_SVT_FLOAT, 0, 3, 2, 24, 28, 32},
      {"Lights", D3D10_SVC_STRUCT, D3D10_SVT_VOID, 2, 1, 1, 64, 64, 32},
      {"Maps", D3D10_SVC_OBJECT, D3D10_SVT_TEXTURE2D, 3, 0, 0, 0, 0, 0},
      {"Point", D3D10_SVC_OBJECT, D3D10_SVT_SAMPLER, 0, 0, 0, 0, 0, 0},
  };
  for (const Expected& e : expected) {
    D3D10_EFFECT_TYPE_DESC desc;
    ASSERT_EQ(S_OK, Var(e.name)->GetType()->GetDesc(&desc)) << e.name;
    EXPECT_EQ(e.typeClass, desc.Class) << e.name;
    EXPECT_EQ(e.type, desc.Type) << e.name;
    EXPECT_EQ(e.elements, desc.Elements) << e.name;
    EXPECT_EQ(e.rows, desc.Rows) << e.name;
    EXPECT_EQ(e.columns, desc.Columns) << e.name;
    EXPECT_EQ(e.packed, desc.PackedSize) << e.name;
    EXPECT_EQ(e.unpacked, desc.UnpackedSize) << e.name;
    EXPECT_EQ(e.stride, desc.Stride) << e.name;
  }
  ID3D10EffectType* light = Var("Lights")->GetType();
  EXPECT_STREQ("Intensity", light->GetMemberName(1));
  EXPECT_STREQ("DIRECTION", light->GetMemberSemantic(0));
  EXPECT_EQ(nullptr, light->GetMemberSemantic(1));
  D3D10_EFFECT_TYPE_DESC color;
  ASSERT_EQ(S_OK, light->GetMemberTypeByName("Color")->GetDesc(&color));
  EXPECT_STREQ("float4", color.TypeName);
  EXPECT_FALSE(light->GetMemberTypeByIndex(3)->IsValid());
  D3D10_EFFECT_TYPE_DESC element;
  ASSERT_EQ(S_OK, Var("Weights")->GetElement(1)->GetType()->GetDesc(&element));
  EXPECT_EQ(0u, element.Elements);
  EXPECT_EQ(4u, element.UnpackedSize);
}

TEST_F(VariableTest, InitialValuesAndAnnotations) {
  float scale = 0;
  ASSERT_EQ(S_OK, Var("Scale")->AsScalar()->GetFloat(&scale));
  EXPECT_EQ(2.5f, scale);
  int count = 0;
  ASSERT_EQ(S_OK, Var("Count")->AsScalar()->GetInt(&count));
  EXPECT_EQ(3, count);
  float weights[4] = {};
  ASSERT_EQ(S_OK, Var("Weights")->AsScalar()->GetFloatArray(weights, 0, 4));
  EXPECT_EQ(4.0f, weights[3]);
  // Initializers list matrices row by row; a column-major 3x2 stores columns.
  float small[16] = {};
  ASSERT_EQ(S_OK, Var("Small")->AsMatrix()->GetMatrix(small));
  EXPECT_EQ(2.0f, small[1]);
  EXPECT_EQ(3.0f, small[4]);
  EXPECT_EQ(2.0f, RawFloat(Var("Small"), 16));
  LPCSTR name = nullptr;
  ASSERT_EQ(S_OK, Var("Name")->AsString()->GetString(&name));
  EXPECT_STREQ("Effect", name);

  D3D10_EFFECT_VARIABLE_DESC diffuse;
  ASSERT_EQ(S_OK, Var("Diffuse")->GetDesc(&diffuse));
  EXPECT_EQ(3u, diffuse.Annotations);
  LPCSTR resource = nullptr;
  ASSERT_EQ(S_OK, Var("Diffuse")->GetAnnotationByName("ResourceName")->AsString()->GetString(&resource));
  EXPECT_STREQ("a.dds", resource);
  int width = 0;
  ASSERT_EQ(S_OK, Var("Diffuse")->GetAnnotationByIndex(1)->AsScalar()->GetInt(&width));
  EXPECT_EQ(64, width);
  float size[4] = {};
  ASSERT_EQ(S_OK, Var("Diffuse")->GetAnnotationByName("Size")->AsVector()->GetFloatVector(size));
  EXPECT_EQ(2.0f, size[1]);
  // Annotations are read-only.
  EXPECT_EQ(E_FAIL, Var("Diffuse")->GetAnnotationByName("Width")->AsScalar()->SetInt(1));
  D3D10_EFFECT_VARIABLE_DESC annotation;
  ASSERT_EQ(S_OK, Var("Diffuse")->GetAnnotationByIndex(0)->GetDesc(&annotation));
  EXPECT_EQ(UINT{D3D10_EFFECT_VARIABLE_ANNOTATION}, annotation.Flags);
  EXPECT_FALSE(Var("Diffuse")->GetAnnotationByIndex(3)->IsValid());
  LPCSTR kind = nullptr;
  ASSERT_EQ(S_OK, effect->GetTechniqueByName("Main")->GetAnnotationByName("Kind")->AsString()->GetString(&kind));
  EXPECT_STREQ("test", kind);
  float weight = 0;
  ASSERT_EQ(S_OK, effect->GetTechniqueByName("Main")->GetPassByName("First")->GetAnnotationByIndex(0)->AsScalar()->GetFloat(&weight));
  EXPECT_EQ(0.5f, weight);
}

TEST_F(VariableTest, MatricesStoreInTheirPacking) {
  float m[16];
  for (int i = 0; i < 16; ++i) m[i] = static_cast<float>(i);
  // Column-major storage holds the first column first: m[0], m[4], m[8], m[12].
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->AsMatrix()->SetMatrix(m));
  EXPECT_EQ(4.0f, RawFloat(Var("ColumnMatrix"), 4));
  EXPECT_EQ(1.0f, RawFloat(Var("ColumnMatrix"), 16));
  ASSERT_EQ(S_OK, Var("RowMatrix")->AsMatrix()->SetMatrix(m));
  EXPECT_EQ(1.0f, RawFloat(Var("RowMatrix"), 4));
  // The transposing setter stores the other way round.
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->AsMatrix()->SetMatrixTranspose(m));
  EXPECT_EQ(1.0f, RawFloat(Var("ColumnMatrix"), 4));
  float back[16] = {};
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->AsMatrix()->GetMatrixTranspose(back));
  EXPECT_EQ(0, std::memcmp(m, back, sizeof(m)));
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->AsMatrix()->GetMatrix(back));
  EXPECT_EQ(4.0f, back[1]);
  // Raw values are bytes as they are.
  float raw[16];
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->SetRawValue(m, 0, sizeof(m)));
  ASSERT_EQ(S_OK, Var("ColumnMatrix")->GetRawValue(raw, 0, sizeof(raw)));
  EXPECT_EQ(0, std::memcmp(m, raw, sizeof(m)));
  EXPECT_EQ(E_INVALIDARG, Var("ColumnMatrix")->SetRawValue(m, 4, sizeof(m)));
  EXPECT_EQ(E_INVALIDARG, Var("Scale")->SetRawValue(m, 0, 8));
}

TEST_F(VariableTest, ArraysElementsAndMembers) {
  float values[3] = {7, 8, 9};
  ASSERT_EQ(S_OK, Var("Weights")->AsScalar()->SetFloatArray(values, 1, 3));
  // Each element of a float array takes a register.
  EXPECT_EQ(7.0f, RawFloat(Var("Weights"), 16));
  EXPECT_EQ(9.0f, RawFloat(Var("Weights"), 48));
  EXPECT_EQ(E_INVALIDARG, Var("Weights")->AsScalar()->SetFloatArray(values, 2, 3));
  ASSERT_EQ(S_OK, Var("Weights")->GetElement(0)->AsScalar()->SetFloat(5));
  EXPECT_EQ(5.0f, RawFloat(Var("Weights"), 0));
  EXPECT_FALSE(Var("Weights")->GetElement(4)->IsValid());
  EXPECT_FALSE(Var("Weights")->GetElement(0)->GetElement(0)->IsValid());
  EXPECT_FALSE(Var("Scale")->GetElement(0)->IsValid());

  float colors[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  ASSERT_EQ(S_OK, Var("Colors")->AsVector()->SetFloatVectorArray(colors, 0, 2));
  EXPECT_EQ(5.0f, RawFloat(Var("Colors"), 16));
  // A float3 takes three of the four components given.
  float offset[4] = {1, 2, 3, 4}, read[4] = {};
  ASSERT_EQ(S_OK, Var("Offset")->AsVector()->SetFloatVector(offset));
  ASSERT_EQ(S_OK, Var("Offset")->AsVector()->GetFloatVector(read));
  EXPECT_EQ(3.0f, read[2]);
  int count = 0;  // Count follows Offset, untouched
  ASSERT_EQ(S_OK, Var("Count")->GetRawValue(&count, 0, 4));
  EXPECT_EQ(3, count);

  ID3D10EffectVariable* light = Var("Lights")->GetElement(1);
  ASSERT_EQ(S_OK, light->GetMemberByName("Intensity")->AsScalar()->SetFloat(0.75f));
  D3D10_EFFECT_VARIABLE_DESC member;
  ASSERT_EQ(S_OK, light->GetMemberByName("Intensity")->GetDesc(&member));
  D3D10_EFFECT_VARIABLE_DESC lights;
  ASSERT_EQ(S_OK, Var("Lights")->GetDesc(&lights));
  EXPECT_EQ(lights.BufferOffset + 32 + 12, member.BufferOffset);
  EXPECT_EQ(light->GetMemberByName("Direction"), light->GetMemberBySemantic("direction"));
  EXPECT_EQ(0.75f, RawFloat(Var("Lights"), 32 + 12));
}

TEST_F(VariableTest, ScalarsConvertToTheirType) {
  ASSERT_EQ(S_OK, Var("Count")->AsScalar()->SetFloat(2.75f));
  int count = 0;
  ASSERT_EQ(S_OK, Var("Count")->AsScalar()->GetInt(&count));
  EXPECT_EQ(2, count);
  ASSERT_EQ(S_OK, Var("Enabled")->AsScalar()->SetInt(5));
  BOOL enabled = FALSE;
  ASSERT_EQ(S_OK, Var("Enabled")->AsScalar()->GetBool(&enabled));
  EXPECT_TRUE(enabled);
  int raw = 0;
  ASSERT_EQ(S_OK, Var("Enabled")->GetRawValue(&raw, 0, 4));
  EXPECT_EQ(1, raw);
  ASSERT_EQ(S_OK, Var("Scale")->AsScalar()->SetBool(TRUE));
  EXPECT_EQ(1.0f, RawFloat(Var("Scale"), 0));
}

TEST_F(VariableTest, WrongViewsAndUnknownNamesFailHarmlessly) {
  ID3D10EffectVariable* missing = effect->GetVariableByName("Missing");
  EXPECT_FALSE(missing->IsValid());
  D3D10_EFFECT_VARIABLE_DESC desc;
  EXPECT_EQ(E_FAIL, missing->GetDesc(&desc));
  EXPECT_EQ(E_FAIL, missing->AsScalar()->SetFloat(1));
  EXPECT_EQ(E_FAIL, missing->AsMatrix()->SetMatrix(nullptr));
  EXPECT_FALSE(missing->GetMemberByIndex(0)->GetElement(0)->GetAnnotationByIndex(0)->IsValid());
  EXPECT_FALSE(missing->GetType()->IsValid());
  // A typed view of another type is the invalid one.
  EXPECT_FALSE(Var("Offset")->AsScalar()->IsValid());
  EXPECT_FALSE(Var("Scale")->AsVector()->IsValid());
  EXPECT_FALSE(Var("Diffuse")->AsSampler()->IsValid());
  EXPECT_EQ(E_FAIL, Var("Point")->AsShaderResource()->SetResource(nullptr));
  EXPECT_EQ(E_FAIL, Var("Diffuse")->AsRenderTargetView()->SetRenderTarget(nullptr));
  ID3D10EffectTechnique* technique = effect->GetTechniqueByName("Missing");
  EXPECT_FALSE(technique->IsValid());
  EXPECT_EQ(E_FAIL, technique->GetPassByIndex(0)->Apply(0));
  EXPECT_FALSE(effect->GetTechniqueByIndex(0)->GetPassByIndex(2)->IsValid());
  EXPECT_FALSE(effect->GetConstantBufferByIndex(1)->IsValid());
}

TEST_F(VariableTest, ObjectVariablesHoldTheirStates) {
  D3D10_SAMPLER_DESC sampler;
  ASSERT_EQ(S_OK, Var("Point")->AsSampler()->GetBackingStore(0, &sampler));
  EXPECT_EQ(D3D10_FILTER_MIN_MAG_MIP_POINT, sampler.Filter);
  EXPECT_EQ(D3D10_TEXTURE_ADDRESS_WRAP, sampler.AddressU);
  EXPECT_EQ(D3D10_TEXTURE_ADDRESS_CLAMP, sampler.AddressV);
  EXPECT_EQ(4u, sampler.MaxAnisotropy);
  EXPECT_EQ(1.0f, sampler.BorderColor[0]);
  Ref<ID3D10SamplerState> state;
  ASSERT_EQ(S_OK, Var("Point")->AsSampler()->GetSampler(0, state.Put()));
  D3D10_SAMPLER_DESC created;
  state->GetDesc(&created);
  EXPECT_EQ(0, std::memcmp(&sampler, &created, sizeof(created)));
  EXPECT_EQ(E_INVALIDARG, Var("Point")->AsSampler()->GetSampler(1, state.Put()));

  D3D10_BLEND_DESC blend;
  ASSERT_EQ(S_OK, Var("Additive")->AsBlend()->GetBackingStore(0, &blend));
  EXPECT_FALSE(blend.BlendEnable[0]);
  EXPECT_TRUE(blend.BlendEnable[1]);
  EXPECT_EQ(D3D10_BLEND_ONE, blend.DestBlend);
  EXPECT_EQ(0x3, blend.RenderTargetWriteMask[1]);
  EXPECT_EQ(0xF, blend.RenderTargetWriteMask[0]);
  D3D10_DEPTH_STENCIL_DESC depth;
  ASSERT_EQ(S_OK, Var("NoDepth")->AsDepthStencil()->GetBackingStore(0, &depth));
  EXPECT_FALSE(depth.DepthEnable);
  EXPECT_EQ(D3D10_STENCIL_OP_INCR_SAT, depth.FrontFace.StencilPassOp);
  D3D10_RASTERIZER_DESC raster;
  ASSERT_EQ(S_OK, Var("Wire")->AsRasterizer()->GetBackingStore(0, &raster));
  EXPECT_EQ(D3D10_FILL_WIREFRAME, raster.FillMode);
  EXPECT_EQ(-2, raster.DepthBias);

  // Resource arrays: an element view sets one slot.
  Ref<ID3D10Texture2D> texture =
      MakeTexture(TextureDesc(4, 4, DXGI_FORMAT_R8G8B8A8_UNORM, D3D10_BIND_SHADER_RESOURCE));
  Ref<ID3D10ShaderResourceView> view;
  ASSERT_EQ(S_OK, device->CreateShaderResourceView(texture.Get(), nullptr, view.Put()));
  ASSERT_EQ(S_OK, Var("Maps")->GetElement(2)->AsShaderResource()->SetResource(view.Get()));
  ID3D10ShaderResourceView* views[3] = {};
  ASSERT_EQ(S_OK, Var("Maps")->AsShaderResource()->GetResourceArray(views, 0, 3));
  EXPECT_EQ(nullptr, views[0]);
  EXPECT_EQ(view.Get(), views[2]);
  views[2]->Release();
  EXPECT_EQ(E_INVALIDARG, Var("Maps")->AsShaderResource()->SetResourceArray(views, 2, 2));
}

TEST_F(VariableTest, PassDescriptionsAndShaders) {
  ID3D10EffectPass* pass = effect->GetTechniqueByName("Main")->GetPassByIndex(0);
  D3D10_PASS_DESC desc;
  ASSERT_EQ(S_OK, pass->GetDesc(&desc));
  EXPECT_STREQ("First", desc.Name);
  EXPECT_EQ(1u, desc.Annotations);
  EXPECT_EQ(7u, desc.StencilRef);
  EXPECT_EQ(0x0000FFFFu, desc.SampleMask);
  EXPECT_EQ(0.75f, desc.BlendFactor[2]);
  ASSERT_NE(nullptr, desc.pIAInputSignature);
  EXPECT_EQ(0, std::memcmp(desc.pIAInputSignature, "MVIS", 4));
  // An input layout matched to the signature is accepted; a wrong one is not.
  const D3D10_INPUT_ELEMENT_DESC position = {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0,
                                             D3D10_INPUT_PER_VERTEX_DATA, 0};
  const D3D10_INPUT_ELEMENT_DESC normal = {"NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D10_INPUT_PER_VERTEX_DATA, 0};
  Ref<ID3D10InputLayout> layout;
  EXPECT_EQ(S_OK, device->CreateInputLayout(&position, 1, desc.pIAInputSignature, desc.IAInputSignatureSize, layout.Put()));
  EXPECT_EQ(E_INVALIDARG,
            device->CreateInputLayout(&normal, 1, desc.pIAInputSignature, desc.IAInputSignatureSize, layout.Put()));

  D3D10_PASS_SHADER_DESC vertex;
  ASSERT_EQ(S_OK, pass->GetVertexShaderDesc(&vertex));
  EXPECT_EQ(Var("ShaderVariable")->AsShader(), vertex.pShaderVariable);
  D3D10_EFFECT_SHADER_DESC shader;
  ASSERT_EQ(S_OK, vertex.pShaderVariable->GetShaderDesc(vertex.ShaderIndex, &shader));
  EXPECT_FALSE(shader.IsInline);
  EXPECT_EQ(0, std::memcmp(shader.pBytecode, "MVSH", 4));
  EXPECT_EQ(1u, shader.NumInputSignatureEntries);
  D3D10_SIGNATURE_PARAMETER_DESC input;
  ASSERT_EQ(S_OK, vertex.pShaderVariable->GetInputSignatureElementDesc(0, 0, &input));
  EXPECT_STREQ("POSITION", input.SemanticName);
  EXPECT_EQ(0x7, input.Mask);
  Ref<ID3D10VertexShader> vs;
  EXPECT_EQ(S_OK, vertex.pShaderVariable->GetVertexShader(0, vs.Put()));
  EXPECT_TRUE(vs);
  D3D10_PASS_SHADER_DESC pixel;
  ASSERT_EQ(S_OK, pass->GetPixelShaderDesc(&pixel));
  ASSERT_EQ(S_OK, pixel.pShaderVariable->GetShaderDesc(0, &shader));
  EXPECT_TRUE(shader.IsInline);
  ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(1)->GetPixelShaderDesc(&pixel));
  EXPECT_FALSE(pixel.pShaderVariable->IsValid());

  // Applying binds the shaders and the pass's states; NULL shaders unbind.
  ASSERT_EQ(S_OK, pass->Apply(0));
  Ref<ID3D10BlendState> blend;
  FLOAT factor[4];
  UINT mask = 0;
  device->OMGetBlendState(blend.Put(), factor, &mask);
  Ref<ID3D10BlendState> expected;
  ASSERT_EQ(S_OK, Var("Additive")->AsBlend()->GetBlendState(0, expected.Put()));
  EXPECT_EQ(expected.Get(), blend.Get());
  EXPECT_EQ(0.25f, factor[0]);
  EXPECT_EQ(0x0000FFFFu, mask);
  Ref<ID3D10DepthStencilState> depth;
  UINT reference = 0;
  device->OMGetDepthStencilState(depth.Put(), &reference);
  EXPECT_EQ(7u, reference);
  Ref<ID3D10RasterizerState> raster;
  device->RSGetState(raster.Put());
  D3D10_RASTERIZER_DESC rasterDesc;
  raster->GetDesc(&rasterDesc);
  EXPECT_EQ(D3D10_FILL_WIREFRAME, rasterDesc.FillMode);
  Ref<ID3D10SamplerState> sampler;
  device->PSGetSamplers(0, 1, sampler.Put());
  EXPECT_TRUE(sampler);
  ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(1)->Apply(0));
  Ref<ID3D10PixelShader> ps;
  device->PSGetShader(ps.Put());
  EXPECT_FALSE(ps);
  // The second pass sets no state: the first pass's stay.
  device->RSGetState(raster.Put());
  EXPECT_TRUE(raster);

  D3D10_STATE_BLOCK_MASK block = {};
  ASSERT_EQ(S_OK, pass->ComputeStateBlockMask(&block));
  EXPECT_EQ(1, block.VS);
  EXPECT_EQ(1, block.OMBlendState);
  EXPECT_EQ(1, block.PSSamplers[0] & 1);
  EXPECT_EQ(1, block.VSConstantBuffers[0] & 1);
}

TEST_F(VariableTest, ConstantBufferUploadsInTheGlPackingOnApply) {
  ID3D10EffectConstantBuffer* globals = effect->GetConstantBufferByIndex(0);
  Ref<ID3D10Buffer> buffer;
  ASSERT_EQ(S_OK, globals->GetConstantBuffer(buffer.Put()));
  ASSERT_TRUE(buffer);
  float offset[4] = {1, 2, 3, 0};
  ASSERT_EQ(S_OK, Var("Offset")->AsVector()->SetFloatVector(offset));
  ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(0)->Apply(0));
  D3D10_BUFFER_DESC desc;
  buffer->GetDesc(&desc);
  Ref<ID3D10Buffer> staging = MakeBuffer(desc.ByteWidth, D3D10_USAGE_STAGING, 0, D3D10_CPU_ACCESS_READ, nullptr);
  device->CopyResource(staging.Get(), buffer.Get());
  void* mapped = nullptr;
  ASSERT_EQ(S_OK, staging->Map(D3D10_MAP_READ, 0, &mapped));
  const float* gl = static_cast<const float*>(mapped);
  // GL's std140 puts the float3 after the float on the next register.
  EXPECT_EQ(2.5f, gl[0]);
  EXPECT_EQ(1.0f, gl[4]);
  EXPECT_EQ(3.0f, gl[6]);
  staging->Unmap();
  // A buffer of the application's replaces the effect's.
  Ref<ID3D10Buffer> mine = MakeBuffer(desc.ByteWidth, D3D10_USAGE_DEFAULT, D3D10_BIND_CONSTANT_BUFFER, 0, nullptr);
  ASSERT_EQ(S_OK, globals->SetConstantBuffer(mine.Get()));
  Ref<ID3D10Buffer> current;
  ASSERT_EQ(S_OK, globals->GetConstantBuffer(current.Put()));
  EXPECT_EQ(mine.Get(), current.Get());
  ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(0)->Apply(0));
  Ref<ID3D10Buffer> bound;
  device->VSGetConstantBuffers(0, 1, bound.Put());
  EXPECT_EQ(mine.Get(), bound.Get());
  ASSERT_EQ(S_OK, globals->SetConstantBuffer(nullptr));
  ASSERT_EQ(S_OK, globals->GetConstantBuffer(current.Put()));
  EXPECT_EQ(buffer.Get(), current.Get());
}

TEST_F(VariableTest, DisassemblyListsBuffersTechniquesAndCode) {
  ID3D10Blob* blob = nullptr;
  ASSERT_EQ(S_OK, D3D10DisassembleEffect(effect.Get(), FALSE, &blob));
  std::string text = FxBlobText(blob);
  EXPECT_NE(std::string::npos, text.find("cbuffer $Globals"));
  EXPECT_NE(std::string::npos, text.find("float3 Offset;  // offset 4, 12 bytes"));
  EXPECT_NE(std::string::npos, text.find("technique10 Main"));
  EXPECT_NE(std::string::npos, text.find("SetDepthStencilState(NoDepth, 7);"));
  EXPECT_NE(std::string::npos, text.find("#version 450"));
  EXPECT_EQ(E_INVALIDARG, D3D10DisassembleEffect(nullptr, FALSE, &blob));
}

using CreationTest = EffectTest;

TEST_F(CreationTest, CompiledObjectsAndSourceGiveTheSameEffect) {
  std::string source = FxReadText(FxDataDirectory() + "/effects/BasicLighting.fx");
  FxFileIncludeHandler includes({FxDataDirectory() + "/effects/"});
  FxCompileOptions options;
  options.sourceName = FxDataDirectory() + "/effects/BasicLighting.fx";
  options.includes = &includes;
  FxEffectObject object;
  std::string messages;
  ASSERT_TRUE(FxCompile(source, options, &object, &messages)) << messages;
  std::vector<uint8_t> bytes = FxWriteObject(object);
  Ref<ID3D10Effect> effect;
  ASSERT_EQ(S_OK, D3DX10CreateEffectFromMemory(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, "fx_4_0", 0, 0,
                                               device.Get(), nullptr, nullptr, effect.Put(), nullptr, nullptr));
  D3D10_EFFECT_DESC desc;
  ASSERT_EQ(S_OK, effect->GetDesc(&desc));
  EXPECT_EQ(3u, desc.ConstantBuffers);
  EXPECT_EQ(2u, desc.Techniques);
  float diffuse[4] = {};
  ASSERT_EQ(S_OK, effect->GetVariableByName("g_vDiffuse")->AsVector()->GetFloatVector(diffuse));
  EXPECT_FLOAT_EQ(0.8f, diffuse[0]);
  EXPECT_TRUE(effect->GetVariableBySemantic("CAMERAPOSITION")->IsValid());
}

TEST_F(CreationTest, DamagedObjectsAreRefusedWithAReason) {
  std::string source = R"(float4 C; float4 PS() : SV_Target { return C; }
    technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } })";
  FxEffectObject object;
  std::string messages;
  ASSERT_TRUE(FxCompile(source, FxCompileOptions(), &object, &messages)) << messages;
  std::vector<uint8_t> bytes = FxWriteObject(object);
  auto refuse = [&](std::vector<uint8_t> damaged, const char* reason) {
    Ref<ID3D10Effect> effect;
    ID3D10Blob* errors = nullptr;
    EXPECT_EQ(E_FAIL, D3DX10CreateEffectFromMemory(damaged.data(), damaged.size(), "damaged.fxo", nullptr, nullptr,
                                                   "fx_4_0", 0, 0, device.Get(), nullptr, nullptr, effect.Put(),
                                                   &errors, nullptr));
    std::string text = FxBlobText(errors);
    EXPECT_NE(std::string::npos, text.find(reason)) << text;
    EXPECT_EQ(0u, text.find("damaged.fxo(1,1): error X4998: ")) << text;
  };
  refuse(std::vector<uint8_t>(bytes.begin(), bytes.end() - 4), "truncated");
  std::vector<uint8_t> flipped = bytes;
  flipped[bytes.size() / 2] ^= 0x40;
  refuse(flipped, "checksum");
  std::vector<uint8_t> version = bytes;
  version[4] = 9;
  refuse(version, "version 9");
  // Arguments that cannot be used.
  Ref<ID3D10Effect> effect;
  EXPECT_EQ(E_INVALIDARG, D3DX10CreateEffectFromMemory(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, "fx_4_0",
                                                       0, 0, nullptr, nullptr, nullptr, effect.Put(), nullptr, nullptr));
  EXPECT_EQ(E_INVALIDARG, D3DX10CreateEffectFromMemory(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, "fx_4_0",
                                                       0, D3D10_EFFECT_COMPILE_CHILD_EFFECT, device.Get(), nullptr,
                                                       nullptr, effect.Put(), nullptr, nullptr));
  HRESULT result = S_OK;
  EXPECT_EQ(E_FAIL, D3DX10CreateEffectFromMemory(source.data(), source.size(), nullptr, nullptr, nullptr, "fx_5_0", 0,
                                                 0, device.Get(), nullptr, nullptr, effect.Put(), nullptr, &result));
  EXPECT_EQ(E_FAIL, result);
}

TEST_F(CreationTest, DefinesAndIncludeHandlersOfTheCaller) {
  struct MemoryInclude : ID3D10Include {
    HRESULT STDMETHODCALLTYPE Open(D3D10_INCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override {
      if (std::strcmp(name, "color.fxh")) return E_FAIL;
      static const char text[] = "float4 Color = {0, 0, 1, 1};";
      *data = text;
      *bytes = sizeof(text) - 1;
      ++opened;
      return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Close(LPCVOID) override {
      ++closed;
      return S_OK;
    }
    int opened = 0, closed = 0;
  } include;
  std::string source = R"(#include "color.fxh"
    #if RED
    float4 PS() : SV_Target { return float4(1, 0, 0, 1); }
    #else
    float4 PS() : SV_Target { return Color; }
    #endif
    technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } })";
  const D3D10_SHADER_MACRO defines[] = {{"RED", "1"}, {nullptr, nullptr}};
  Ref<ID3D10Effect> effect;
  ID3D10Blob* errors = nullptr;
  ASSERT_EQ(S_OK, D3DX10CreateEffectFromMemory(source.data(), source.size(), nullptr, defines, &include, "fx_4_0", 0, 0,
                                               device.Get(), nullptr, nullptr, effect.Put(), &errors, nullptr));
  EXPECT_EQ(nullptr, errors);
  EXPECT_EQ(1, include.opened);
  EXPECT_EQ(1, include.closed);
  D3D10_PASS_SHADER_DESC pixel;
  ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(0)->GetPassByIndex(0)->GetPixelShaderDesc(&pixel));
  D3D10_EFFECT_SHADER_DESC shader;
  ASSERT_EQ(S_OK, pixel.pShaderVariable->GetShaderDesc(0, &shader));
  // The RED branch returns its constant.
  std::string glsl(reinterpret_cast<const char*>(shader.pBytecode), shader.BytecodeLength);
  EXPECT_NE(std::string::npos, glsl.find("vec4(1.0, 0.0, 0.0, 1.0)"));
}

TEST_F(CreationTest, ChildEffectsNeedTheirSharedVariablesInThePool) {
  std::string poolSource = "shared cbuffer Shared { float4 A; }; shared Texture2D T;";
  Ref<ID3D10EffectPool> pool;
  ASSERT_EQ(S_OK, D3DX10CreateEffectPoolFromMemory(poolSource.data(), poolSource.size(), nullptr, nullptr, nullptr,
                                                   "fx_4_0", 0, 0, device.Get(), nullptr, pool.Put(), nullptr, nullptr));
  auto childErrors = [&](const std::string& source) {
    Ref<ID3D10Effect> child;
    ID3D10Blob* errors = nullptr;
    EXPECT_EQ(E_FAIL, D3DX10CreateEffectFromMemory(source.data(), source.size(), "child.fx", nullptr, nullptr, "fx_4_0",
                                                   0, D3D10_EFFECT_COMPILE_CHILD_EFFECT, device.Get(), pool.Get(),
                                                   nullptr, child.Put(), &errors, nullptr));
    return FxBlobText(errors);
  };
  EXPECT_NE(std::string::npos, childErrors("shared cbuffer Other { float4 A; };").find("'Other' is not in the effect pool"));
  EXPECT_NE(std::string::npos,
            childErrors("shared cbuffer Shared { float3 A; };").find("'Shared' is declared differently"));
  EXPECT_NE(std::string::npos, childErrors("shared Texture3D T;").find("'T' is declared differently"));
  // Without the child flag, shared variables are the effect's own.
  std::string source = "shared cbuffer Other { float4 A; };";
  Ref<ID3D10Effect> alone;
  ASSERT_EQ(S_OK, D3DX10CreateEffectFromMemory(source.data(), source.size(), nullptr, nullptr, nullptr, "fx_4_0", 0, 0,
                                               device.Get(), pool.Get(), nullptr, alone.Put(), nullptr, nullptr));
  D3D10_EFFECT_VARIABLE_DESC desc;
  ASSERT_EQ(S_OK, alone->GetVariableByName("A")->GetDesc(&desc));
  EXPECT_EQ(UINT{D3D10_EFFECT_VARIABLE_POOLED}, desc.Flags);
  D3D10_EFFECT_DESC effectDesc;
  ASSERT_EQ(S_OK, alone->GetDesc(&effectDesc));
  EXPECT_FALSE(effectDesc.IsChildEffect);
}

}  // namespace
