// Effects, pools, reflection, parameters and the shader manager on a real
// device, with sources in a temporary directory compiled by fxc.
#include <morvane/BufferLayout.h>
#include <morvane/ShaderEffect.h>
#include <morvane/ShaderManager.h>
#include <morvane/ShaderParameter.h>

#include "ShaderTestSupport.h"

namespace {

const char* const kPoolSource = R"(
shared cbuffer cbShared
{
    float4 g_vSceneColor : SCENECOLOR = {0.25, 0.5, 0.75, 1};
    float g_fTime : TIME;
};
)";

const char* const kChildSource = R"(
shared cbuffer cbShared
{
    float4 g_vSceneColor : SCENECOLOR;
    float g_fTime : TIME;
};
float4 g_vOffset : OFFSET;
float4 g_vOther : OFFSET;

float4 VS(float3 pos : POSITION) : SV_Position { return float4(pos, 1) + g_vOffset + g_vOther; }
float4 PS() : SV_Target { return g_vSceneColor * g_fTime; }

technique10 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
    pass P1
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
    pass P2
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
)";

class ShaderEffectTest : public DeviceFixture {
 protected:
  void SetUp() override {
    DeviceFixture::SetUp();
    PlatformTesting::Reset();
    WriteFileBytes(dir.File("color.fx"), kColorEffect);
    WriteFileBytes(dir.File("broken.fx"), kBrokenEffect);
    WriteFileBytes(dir.File("pool.fx"), kPoolSource);
    WriteFileBytes(dir.File("child.fx"), kChildSource);
  }

  TempDir dir;
};

struct CountingListener : BaseListener {
  void Notify() override { ++count; }
  int count = 0;
};

std::vector<float> ReadFloats(ID3D10EffectVariable* variable, UINT offset, UINT count) {
  std::vector<float> values(count);
  variable->GetRawValue(values.data(), offset, count * sizeof(float));
  return values;
}

}  // namespace

TEST_F(ShaderEffectTest, AStandAloneEffectCompilesAndReflects) {
  ShaderEffect effect(device.get(), nullptr);
  CountingListener listener;
  effect.m_CompiledEvent.AddListener(&listener);
  effect.Open(dir.File("color.fx"), true, false);
  effect.Compile(false);
  ASSERT_TRUE(effect.IsCompiled()) << effect.GetErrors();
  EXPECT_NE(effect.GetEffect(), nullptr);
  EXPECT_TRUE(effect.GetErrors().empty());
  EXPECT_EQ(listener.count, 1);

  ASSERT_EQ(effect.GetVariableCount(), 3u);
  EXPECT_EQ(effect.GetVariable(2u)->Name, "g_vPalette");
  EXPECT_EQ(effect.GetVariable(3u), nullptr);
  EXPECT_EQ(effect.GetVariable("g_vTint")->Semantic, "TINT");
  EXPECT_EQ(effect.GetVariableBySemantic("WORLDVIEWPROJECTION")->Name, "g_mWorldViewProj");
  EXPECT_EQ(effect.GetVariable(""), nullptr);
  EXPECT_EQ(effect.GetConstatnBufferCount(), 1u);
  EXPECT_NE(effect.GetConstantBuffer("cbFrame")->Buffer, nullptr);
  ASSERT_EQ(effect.GetTechniqueCount(), 1u);
  EffectTechnique* technique = effect.GetTechnique("Render");
  ASSERT_NE(technique, nullptr);
  EXPECT_EQ(technique->PassCount, 1);
  EXPECT_NE(technique->Signatures[0], nullptr);
  EXPECT_EQ(effect.GetTechnique(1u), nullptr);
  EXPECT_FALSE(effect.GetDisassembly().empty());

  // Invalidation empties every table.
  effect.SetDefines(static_cast<const std::vector<ShaderMacro>*>(nullptr));
  EXPECT_FALSE(effect.IsCompiled());
  EXPECT_EQ(effect.GetVariableCount(), 0u);
  EXPECT_EQ(effect.GetTechnique("Render"), nullptr);
  EXPECT_EQ(effect.GetVariableBySemantic("TINT"), nullptr);
  EXPECT_TRUE(effect.GetDisassembly().empty());
  effect.m_CompiledEvent.RemoveListener(&listener);
}

TEST_F(ShaderEffectTest, ABrokenSourceLeavesTheCompilerText) {
  ShaderEffect effect(device.get(), dir.File("broken.fx"), nullptr, nullptr);
  EXPECT_FALSE(effect.IsCompiled());
  EXPECT_EQ(effect.GetEffect(), nullptr);
  EXPECT_NE(effect.GetErrors().find("(1,19): error"), std::string::npos) << effect.GetErrors();
  EXPECT_EQ(effect.GetCode(), kBrokenEffect);
}

TEST_F(ShaderEffectTest, WithoutTheCompilerTheTextIsCompiledInProcess) {
  PlatformTesting::FailCall("CreateProcessA", E_FAIL, 0, 1);
  std::vector<ShaderMacro> defines(70, ShaderMacro{"UNUSED", "1"});
  ShaderEffect effect(device.get(), dir.File("color.fx"), &defines, nullptr);
  EXPECT_TRUE(log.Contains(RecordingLogger::kError, "Can't run fxc process."));
  EXPECT_TRUE(effect.IsCompiled()) << effect.GetErrors();
  EXPECT_FALSE(effect.IsBinaryCode());
  EXPECT_EQ(effect.GetVariableCount(), 3u);
}

TEST_F(ShaderEffectTest, SetPoolMakesAChildEffect) {
  ShaderEffect effect(device.get(), dir.File("color.fx"), nullptr, nullptr);
  ASSERT_TRUE(effect.IsCompiled());
  PooledEffectCompiler pool(device.get(), dir.File("pool.fx"), nullptr);
  ASSERT_TRUE(pool.IsCompiled()) << pool.GetErrors();
  effect.SetPool(pool.GetPool());
  EXPECT_FALSE(effect.IsCompiled());
  effect.SetPool(nullptr);
  EXPECT_FALSE(effect.IsCompiled());
}

TEST_F(ShaderEffectTest, PoolsShareChildrenAndRecompilingLeavesThemUncompiled) {
  PooledEffectCompiler* pool = new PooledEffectCompiler(device.get(), dir.File("pool.fx"), nullptr);
  ASSERT_TRUE(pool->IsCompiled()) << pool->GetErrors();
  EXPECT_EQ(pool->GetVariableBySemantic("SCENECOLOR")->Name, "g_vSceneColor");

  PooledEffect* child = pool->CompileEffect(dir.File("child.fx"), nullptr);
  ASSERT_TRUE(child->IsCompiled()) << child->GetErrors();
  EXPECT_EQ(child->GetPool(), pool);
  EXPECT_EQ(pool->CompileEffect(dir.File("child.fx"), nullptr), child);
  EXPECT_EQ(child->GetRefCount(), 2);
  PooledEffect* other = pool->CompileEffect(dir.File("color.fx"), nullptr);
  EXPECT_NE(other, child);

  // The later of two variables with one semantic wins.
  EXPECT_EQ(child->GetVariableBySemantic("OFFSET")->Name, "g_vOther");
  // Three passes, three signatures.
  EffectTechnique* technique = child->GetTechnique("Render");
  ASSERT_NE(technique, nullptr);
  ASSERT_EQ(technique->PassCount, 3);
  for (int pass = 0; pass < 3; ++pass) EXPECT_NE(technique->Signatures[pass], nullptr);

  // A value set through the pool reaches the child's shared variable.
  float color[4] = {1, 0, 0, 1};
  pool->GetVariable("g_vSceneColor")->SetValue(color, sizeof(color));
  EXPECT_EQ(ReadFloats(child->GetEffect()->GetVariableByName("g_vSceneColor"), 0, 4), std::vector<float>({1, 0, 0, 1}));

  ID3D10EffectPool* oldPool = pool->GetPool();
  pool->Compile(false);
  EXPECT_TRUE(pool->IsCompiled());
  EXPECT_FALSE(child->IsCompiled());
  EXPECT_FALSE(other->IsCompiled());
  child->Compile(false);
  EXPECT_TRUE(child->IsCompiled()) << child->GetErrors();
  (void)oldPool;

  child->Release();
  child->Release();
  other->Release();
  pool->Release();
}

TEST_F(ShaderEffectTest, ParametersUploadIntoArrayElements) {
  ShaderEffect effect(device.get(), dir.File("color.fx"), nullptr, nullptr);
  ASSERT_TRUE(effect.IsCompiled());
  EffectVariable* palette = effect.GetVariable("g_vPalette");
  float value[4] = {1, 2, 3, 4};
  ShaderParameter third(palette, value, sizeof(value), false, 3);
  third.Set();
  std::vector<float> all = ReadFloats(palette->Variable, 0, 16);
  EXPECT_EQ(std::vector<float>(all.begin(), all.begin() + 12), std::vector<float>(12, 0.0f));
  EXPECT_EQ(std::vector<float>(all.begin() + 12, all.end()), std::vector<float>({1, 2, 3, 4}));

  // Owned values are copies: equal bytes in different blocks compare equal.
  ShaderParameter same(palette, value, sizeof(value), false, 3);
  EXPECT_TRUE(same == third);
  ShaderParameter shorter(palette, value, 8, false, 3);
  EXPECT_FALSE(shorter == third);
  ShaderParameter* source = new ShaderParameter(palette, value, sizeof(value), false, 3);
  ShaderParameter copy(*source);
  delete source;
  EXPECT_TRUE(copy == third);

  // A borrowed value is read at every Set.
  float tint[4] = {0.5f, 0.5f, 0.5f, 1};
  ShaderParameter borrowed(effect.GetVariable("g_vTint"), tint, sizeof(tint), true, 0);
  tint[0] = 0.25f;
  borrowed.Set();
  EXPECT_EQ(ReadFloats(effect.GetVariable("g_vTint")->Variable, 0, 4), std::vector<float>({0.25f, 0.5f, 0.5f, 1}));

  // No target or no value: Set does nothing.
  ShaderParameter empty;
  empty.Set();
}

TEST_F(ShaderEffectTest, TheManagerSharesEffectsByFileAndDefines) {
  ShaderManager* manager = device->GetShaderManager();
  ASSERT_NE(manager, nullptr);
  const std::string file = dir.File("color.fx");
  ShaderEffect* first = manager->CreateShaderEffect(file, nullptr);
  ShaderEffect* again = manager->CreateShaderEffect(file, nullptr);
  EXPECT_EQ(first, again);
  EXPECT_EQ(first->GetRefCount(), 2);
  EXPECT_EQ(CompilerRuns(), 1u);

  std::vector<ShaderMacro> one = {{"A", "1"}}, two = {{"A", "2"}};
  ShaderEffect* a1 = manager->CreateShaderEffect(file, &one);
  ShaderEffect* a2 = manager->CreateShaderEffect(file, &two);
  EXPECT_NE(a1, a2);
  EXPECT_NE(a1, first);
  PooledEffectCompiler* pooled = manager->CreatePooledEffectCompiler(file, nullptr);
  EXPECT_NE(static_cast<void*>(pooled), static_cast<void*>(first));

  // Nothing to prompt while every program compiled.
  PlatformTesting::SetMessageBoxAnswer(IDOK);
  manager->PromptShaderErrors(nullptr);
  EXPECT_EQ(PlatformTesting::CallCount("MessageBoxA"), 0u);
  ShaderEffect* broken = manager->CreateShaderEffect(dir.File("broken.fx"), nullptr);
  manager->PromptShaderErrors(nullptr);
  EXPECT_EQ(PlatformTesting::CallCount("MessageBoxA"), 1u);

  unsigned count = manager->GetCount();
  manager->LoadAllShaders(dir.Path(), true);
  manager->LoadShaderEffectBuilds(dir.Path());
  manager->LoadPooledEffectBuilds(dir.Path());
  EXPECT_EQ(manager->GetCount(), count);

  // A changed source is picked up by ReloadShaders.
  unsigned runs = CompilerRuns();
  manager->ReloadShaders();
  EXPECT_EQ(CompilerRuns(), runs);
  WriteFileBytes(file, std::string("// edited\n") + kColorEffect);
  manager->ReloadShaders();
  EXPECT_TRUE(first->IsCompiled());
  EXPECT_GT(CompilerRuns(), runs);
  EXPECT_EQ(first->GetFileVersions()[0].Size, static_cast<int64_t>(std::strlen(kColorEffect) + 10));

  // An effect whose key is the pool compiler's: the compiler is passed over
  // and keeps its single reference.
  ShaderEffect* named = manager->CreateShaderEffect(file + " (Pooled)", nullptr);
  EXPECT_NE(static_cast<void*>(named), static_cast<void*>(pooled));
  EXPECT_EQ(pooled->GetRefCount(), 1);
  EXPECT_FALSE(named->IsCompiled());
  for (Resource* resource : std::initializer_list<Resource*>{again, a1, a2, pooled, named, broken}) resource->Release();
  // first is still referenced: the device reports it when it goes.
  log.entries.clear();
  device.reset();
  EXPECT_TRUE(log.Contains(RecordingLogger::kWarning, "1 unfreed shader resources."));
  // Detached from the dead manager, its last release deletes it.
  first->Release();
}
