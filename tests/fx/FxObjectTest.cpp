// The compiled effect object: what is written reads back the same, and
// damaged or inconsistent objects are refused before anything is used.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "fx/fx_compiler.h"
#include "fx/fx_disassembly.h"
#include "fx/fx_object.h"

namespace {

const char* const kSource = R"(
cbuffer Values <int Order = 1;> { float4x4 M : WORLD; float3 D = {1, 2, 3}; float S; };
Texture2D T[2] <string Name = "t";>;
SamplerState Samp { Filter = MIN_MAG_MIP_POINT; };
BlendState B { BlendEnable[0] = TRUE; };
DepthStencilState Z { DepthEnable = FALSE; };
RasterizerState R { CullMode = NONE; };
string Label = "label";
float4 VS(float3 p : POSITION) : SV_Position { return mul(float4(p * D, S), M); }
float4 PS(float4 p : SV_Position) : SV_Target { return T[1].Sample(Samp, p.xy); }
VertexShader V = CompileShader(vs_4_0, VS());
technique10 Tech <float F = 2;> {
  pass P <string N = "n";> {
    SetVertexShader(V);
    SetPixelShader(CompileShader(ps_4_0, PS()));
    SetBlendState(B, float4(1, 2, 3, 4), 0xF);
    SetDepthStencilState(Z, 5);
    SetRasterizerState(R);
  }
}
)";

class ObjectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string messages;
    ASSERT_TRUE(FxCompile(kSource, FxCompileOptions(), &s_object, &messages)) << messages;
    s_bytes = FxWriteObject(s_object);
  }

  static FxEffectObject s_object;
  static std::vector<uint8_t> s_bytes;
};

FxEffectObject ObjectTest::s_object;
std::vector<uint8_t> ObjectTest::s_bytes;

// Whether an effect being created accepts the bytes.
bool Loads(const void* data, std::size_t size, std::string* error = nullptr) {
  FxLoadedEffect loaded;
  std::string reason;
  return loaded.Read(data, size, error ? error : &reason);
}

// Seals the bytes, so that what is judged is what they hold, and expects a
// read and a load to refuse them for the same reason.
void ExpectRefusedBoth(std::vector<uint8_t> bytes, const std::string& reason) {
  FxSealObject(bytes.data(), bytes.size());
  FxEffectObject read;
  std::string error;
  EXPECT_FALSE(FxReadObject(bytes.data(), bytes.size(), &read, &error));
  EXPECT_EQ(reason, error);
  EXPECT_FALSE(Loads(bytes.data(), bytes.size(), &error));
  EXPECT_EQ(reason, error);
}

TEST_F(ObjectTest, ReadsBackWhatWasWritten) {
  ASSERT_TRUE(FxIsObject(s_bytes.data(), s_bytes.size()));
  EXPECT_EQ(0, std::memcmp(s_bytes.data(), "MVFX", 4));
  EXPECT_EQ(0u, s_bytes.size() % 4);
  FxEffectObject read;
  std::string error;
  ASSERT_TRUE(FxReadObject(s_bytes.data(), s_bytes.size(), &read, &error)) << error;
  EXPECT_EQ(s_bytes, FxWriteObject(read));
  ASSERT_EQ(1u, read.buffers.size());
  EXPECT_EQ("WORLD", read.buffers[0].variables[0].semantic);
  EXPECT_EQ(s_object.buffers[0].initial, read.buffers[0].initial);
  ASSERT_EQ(1u, read.techniques.size());
  const FxPass& pass = read.techniques[0].passes[0];
  EXPECT_EQ(4.0f, pass.blendFactor[3]);
  EXPECT_EQ(5u, pass.stencilRef);
  EXPECT_EQ(kFxStateVariable, pass.rasterizer.kind);
  EXPECT_NE(kFxNone, pass.shaders[kFxVertex].variable);
  EXPECT_EQ(s_object.shaders[0].spirv, read.shaders[0].spirv);
}

// Objects of the earlier versions carry checksums of other kinds and no
// SPIR-V tail; they read as they did, and a checksum of the wrong kind is
// refused.
TEST_F(ObjectTest, EarlierVersionsStillRead) {
  for (uint32_t version : {kFxObjectFirstVersion, kFxObjectSecondVersion}) {
    std::vector<uint8_t> earlier = s_bytes;
    earlier[4] = static_cast<uint8_t>(version);
    FxSealObject(earlier.data(), earlier.size());
    FxEffectObject read;
    std::string error;
    ASSERT_TRUE(FxReadObject(earlier.data(), earlier.size(), &read, &error)) << version << ": " << error;
    EXPECT_EQ(s_bytes, FxWriteObject(read));

    std::vector<uint8_t> mixed = s_bytes;
    std::memcpy(&mixed[16], &earlier[16], 4);
    EXPECT_FALSE(FxReadObject(mixed.data(), mixed.size(), &read, &error)) << version;
    EXPECT_NE(std::string::npos, error.find("checksum"));
  }
}

// The SPIR-V ends the object under a checksum of its own: damage there stops
// the readers that use it, and an effect being created, which does not, reads
// on. Everything else is covered by the head's checksum for every reader.
TEST_F(ObjectTest, TheSpirvTailHasItsOwnChecksum) {
  uint32_t tailAt;
  std::memcpy(&tailAt, &s_bytes[44], 4);
  ASSERT_LT(tailAt, s_bytes.size());
  FxEffectObject read;
  std::string error;

  std::vector<uint8_t> spirv = s_bytes;
  spirv[tailAt + 20] ^= 0x10;
  EXPECT_FALSE(FxReadObject(spirv.data(), spirv.size(), &read, &error));
  EXPECT_NE(std::string::npos, error.find("checksum"));
  EXPECT_TRUE(FxReadObject(spirv.data(), spirv.size(), &read, &error, FxRead::WithoutSpirv)) << error;

  std::vector<uint8_t> head = s_bytes;
  head[tailAt - 8] ^= 0x10;
  EXPECT_FALSE(FxReadObject(head.data(), head.size(), &read, &error, FxRead::WithoutSpirv));
  EXPECT_NE(std::string::npos, error.find("checksum"));

  // A tail that starts inside the header, or past the end, is refused even
  // with both checksums made right.
  for (uint32_t at : {40u, static_cast<uint32_t>(s_bytes.size() + 4)}) {
    std::vector<uint8_t> moved = s_bytes;
    std::memcpy(&moved[44], &at, 4);
    FxSealObject(moved.data(), moved.size());
    EXPECT_FALSE(FxReadObject(moved.data(), moved.size(), &read, &error, FxRead::WithoutSpirv)) << at;
    EXPECT_EQ("the SPIR-V tail lies outside the effect object", error);
  }
}

// An effect being created reads everything except the SPIR-V.
TEST_F(ObjectTest, ReadingWithoutSpirvKeepsTheRest) {
  FxEffectObject read;
  std::string error;
  ASSERT_TRUE(FxReadObject(s_bytes.data(), s_bytes.size(), &read, &error, FxRead::WithoutSpirv)) << error;
  ASSERT_EQ(s_object.shaders.size(), read.shaders.size());
  for (std::size_t s = 0; s < read.shaders.size(); ++s) {
    EXPECT_TRUE(read.shaders[s].spirv.empty());
    EXPECT_EQ(s_object.shaders[s].bytecode, read.shaders[s].bytecode);
    read.shaders[s].spirv = s_object.shaders[s].spirv;
  }
  EXPECT_EQ(s_bytes, FxWriteObject(read));
}

// What an effect loads holds what a read without SPIR-V holds, in views of
// its own copy: the caller's bytes may go once it is loaded.
TEST_F(ObjectTest, LoadingKeepsWhatReadingKeeps) {
  FxEffectObject read;
  std::string error;
  ASSERT_TRUE(FxReadObject(s_bytes.data(), s_bytes.size(), &read, &error, FxRead::WithoutSpirv)) << error;
  FxLoadedEffect loaded;
  {
    std::vector<uint8_t> copy = s_bytes;
    ASSERT_TRUE(loaded.Read(copy.data(), copy.size(), &error)) << error;
    std::fill(copy.begin(), copy.end(), 0xCD);
  }
  EXPECT_EQ(FxDisassemble(read, true), FxDisassemble(*loaded, true));
  ASSERT_EQ(1u, loaded->buffers.size());
  EXPECT_EQ(std::string("Values"), loaded->buffers[0].name.c_str());
  EXPECT_TRUE(loaded->buffers[0].variables[0].semantic == "WORLD");
  EXPECT_TRUE(std::equal(read.buffers[0].initial.begin(), read.buffers[0].initial.end(),
                         loaded->buffers[0].initial.begin(), loaded->buffers[0].initial.end()));
  for (const FxLoadedShader& shader : loaded->shaders) EXPECT_TRUE(shader.spirv.empty());
}

// Every string ends with a zero, so the string table does too.
TEST_F(ObjectTest, AnUnterminatedStringTableIsRefused) {
  uint32_t stringsAt, stringsSize;
  std::memcpy(&stringsAt, &s_bytes[20], 4);
  std::memcpy(&stringsSize, &s_bytes[24], 4);
  ASSERT_GT(stringsSize, 0u);
  std::vector<uint8_t> bytes = s_bytes;
  bytes[stringsAt + stringsSize - 1] = 'x';
  ExpectRefusedBoth(bytes, "a string is not terminated");
}

TEST_F(ObjectTest, EveryTruncationIsRefused) {
  FxEffectObject read;
  for (std::size_t size = 0; size < s_bytes.size(); ++size) {
    std::string error;
    ASSERT_FALSE(FxReadObject(s_bytes.data(), size, &read, &error)) << size;
    EXPECT_FALSE(error.empty());
    ASSERT_FALSE(Loads(s_bytes.data(), size)) << size;
  }
  std::vector<uint8_t> longer = s_bytes;
  longer.push_back(0);
  EXPECT_FALSE(FxReadObject(longer.data(), longer.size(), &read, nullptr));
  EXPECT_FALSE(Loads(longer.data(), longer.size()));
  EXPECT_FALSE(FxReadObject(nullptr, 0, &read, nullptr));
  EXPECT_FALSE(Loads(nullptr, 0));
}

// A load checks only the head's checksum: damage in the SPIR-V tail is the
// one change it may pass.
TEST_F(ObjectTest, EveryChangedByteIsRefused) {
  uint32_t tailAt;
  std::memcpy(&tailAt, &s_bytes[44], 4);
  FxEffectObject read;
  for (std::size_t at = 0; at < s_bytes.size(); ++at) {
    std::vector<uint8_t> damaged = s_bytes;
    damaged[at] ^= 0x01;
    ASSERT_FALSE(FxReadObject(damaged.data(), damaged.size(), &read, nullptr)) << at;
    if (at < tailAt) {
      ASSERT_FALSE(Loads(damaged.data(), damaged.size())) << at;
    }
  }
}

// Objects that read whole but do not hold together: the same rules hold for
// what the compiler builds.
TEST_F(ObjectTest, InconsistentObjectsAreRefused) {
  struct Case {
    const char* rule;
    std::function<void(FxEffectObject&)> damage;
  } cases[] = {
      {"a variable of an unknown type", [](FxEffectObject& o) { o.buffers[0].variables[0].type = 999; }},
      {"a variable past its buffer's end", [](FxEffectObject& o) { o.buffers[0].variables[2].offset = 1000; }},
      {"initial bytes of another size", [](FxEffectObject& o) { o.buffers[0].initial.pop_back(); }},
      {"a copy run past the GL block", [](FxEffectObject& o) { o.buffers[0].runs[0].target = o.buffers[0].glSize; }},
      {"a struct member of a later type", [](FxEffectObject& o) { o.types.push_back({}), o.types[0].members.push_back({}); }},
      {"an object of a numeric type", [](FxEffectObject& o) { o.objects[0].type = o.buffers[0].variables[0].type; }},
      {"a sampler without its state", [](FxEffectObject& o) { o.objects[1].samplers.clear(); }},
      {"a shader variable naming a pixel shader", [](FxEffectObject& o) { o.objects.back().shaders[0] = 1; }},
      {"a binding to a missing buffer", [](FxEffectObject& o) { o.shaders[0].constantBuffers[0].index = 4; }},
      {"a resource binding to a sampler", [](FxEffectObject& o) { o.shaders[1].resources[0].index = 1; }},
      {"a resource element past the array", [](FxEffectObject& o) { o.shaders[1].resources[0].element = 2; }},
      {"a slot Direct3D does not have", [](FxEffectObject& o) { o.shaders[1].samplers[0].slot = 16; }},
      {"a pass with a pixel shader as vertex shader", [](FxEffectObject& o) { o.techniques[0].passes[0].shaders[0].shader = 1; }},
      {"a blend state naming a rasterizer", [](FxEffectObject& o) { o.techniques[0].passes[0].blend.variable = 4; }},
      {"a state reference of an unknown kind", [](FxEffectObject& o) { o.techniques[0].passes[0].depthStencil.kind = 7; }},
      {"a shader of an unknown stage", [](FxEffectObject& o) { o.shaders[0].stage = 3; }},
  };
  std::string error;
  ASSERT_TRUE(FxValidateObject(s_object, &error)) << error;
  for (const Case& c : cases) {
    FxEffectObject damaged = s_object;
    c.damage(damaged);
    EXPECT_FALSE(FxValidateObject(damaged, &error)) << c.rule;
    std::vector<uint8_t> bytes = FxWriteObject(damaged);
    FxEffectObject read;
    EXPECT_FALSE(FxReadObject(bytes.data(), bytes.size(), &read, &error)) << c.rule;
    EXPECT_FALSE(Loads(bytes.data(), bytes.size())) << c.rule;
  }
}

TEST_F(ObjectTest, HugeCountsAreRefusedBeforeAnythingIsSized) {
  // The first record is the type count; claim four billion types.
  std::vector<uint8_t> bytes = s_bytes;
  uint32_t recordsAt;
  std::memcpy(&recordsAt, &bytes[28], 4);
  uint32_t huge = 0xFFFFFFF0u;
  std::memcpy(&bytes[recordsAt], &huge, 4);
  ExpectRefusedBoth(bytes, "a list is longer than the records");
}

}  // namespace
