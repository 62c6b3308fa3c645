// The two packings of a constant buffer and the runs between them, for the
// cases where HLSL packs tighter than std140.
#include <gtest/gtest.h>

#include <cstring>

#include "fx/fx_compiler.h"
#include "fx/fx_layout.h"
#include "fx/fx_lexer.h"

namespace {

struct Case {
  const char* declarations;
  std::vector<uint32_t> hlsl;  // each variable's offset in HLSL packing
  std::vector<uint32_t> gl;    // and in std140
  uint32_t size, glSize;
};

class Packing : public ::testing::TestWithParam<Case> {};

TEST_P(Packing, OffsetsAndRunsAgree) {
  const Case& c = GetParam();
  FxEffectObject object;
  std::string messages;
  ASSERT_TRUE(FxCompile(std::string("struct S { float a; float3 b; float2 c[2]; };\ncbuffer B {") + c.declarations + "};",
                        FxCompileOptions(), &object, &messages))
      << messages;
  const FxBuffer& buffer = object.buffers[0];
  ASSERT_EQ(c.hlsl.size(), buffer.variables.size());
  uint32_t glSize = 0;
  std::vector<uint32_t> gl = FxGlBufferOffsets(object.types, buffer, &glSize);
  for (std::size_t i = 0; i < c.hlsl.size(); ++i) {
    EXPECT_EQ(c.hlsl[i], buffer.variables[i].offset) << buffer.variables[i].name;
    EXPECT_EQ(c.gl[i], gl[i]) << buffer.variables[i].name;
  }
  EXPECT_EQ(c.size, buffer.size);
  EXPECT_EQ(c.glSize, buffer.glSize);
  // Every byte a run moves keeps its value; no two runs write one byte.
  std::vector<uint8_t> source(buffer.size), target(buffer.glSize, 0), written(buffer.glSize, 0);
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 7 + 1);
  for (const FxCopyRun& run : buffer.runs) {
    std::memcpy(&target[run.target], &source[run.source], run.size);
    for (uint32_t b = 0; b < run.size; ++b) EXPECT_EQ(0, written[run.target + b]++);
  }
  // The first component of every variable lands at its std140 offset.
  for (std::size_t i = 0; i < c.hlsl.size(); ++i) {
    EXPECT_EQ(0, std::memcmp(&source[c.hlsl[i]], &target[c.gl[i]], 4)) << buffer.variables[i].name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Packing,
    ::testing::Values(Case{"float a; float3 b;", {0, 4}, {0, 16}, 16, 32},
                      Case{"float a; float2 b; float c;", {0, 4, 12}, {0, 8, 16}, 16, 32},
                      Case{"float a[2]; float b;", {0, 20}, {0, 32}, 32, 48},
                      Case{"float3x3 m; float b;", {0, 44}, {0, 48}, 48, 64},
                      Case{"row_major float2x3 m; float b;", {0, 28}, {0, 32}, 32, 48},
                      Case{"S s; float c;", {0, 40}, {0, 64}, 48, 80},
                      Case{"float4 A : packoffset(c1); float B : packoffset(c0.w);", {16, 12}, {0, 16}, 32, 32},
                      Case{"bool b; int2 i; uint u;", {0, 4, 12}, {0, 8, 16}, 16, 32},
                      Case{"float4x4 m; float4 v[2];", {0, 64}, {0, 64}, 96, 96}));

TEST(Lexer, NumbersStringsCommentsAndContinuations) {
  FxDiagnostics diagnostics;
  std::vector<FxToken> tokens =
      FxTokenize("a=1.5e-3f+0x1Fu; /* x\ny */ b<<=\"q\\\"\";\\\n c // end\n#d", 0, diagnostics);
  std::vector<std::string> texts;
  for (const FxToken& token : tokens) texts.push_back(token.text);
  EXPECT_EQ((std::vector<std::string>{"a", "=", "1.5e-3f", "+", "0x1Fu", ";", "b", "<<=", "\"q\\\"\"", ";", "c", "#", "d"}),
            texts);
  EXPECT_EQ("q\"", FxStringValue(tokens[8]));
  // A continued line is one logical line; a comment spanning lines is a space.
  EXPECT_FALSE(tokens[6].lineStart);
  EXPECT_TRUE(tokens[6].spaceBefore);
  EXPECT_FALSE(tokens[10].lineStart);
  EXPECT_TRUE(tokens[11].lineStart);
  EXPECT_EQ(3u, tokens[10].at.line);
  EXPECT_EQ(2u, tokens[10].at.column);
  EXPECT_FALSE(diagnostics.HasErrors());
  // A byte order mark before the first token is no character of the text.
  tokens = FxTokenize("\xEF\xBB\xBF" "float", 0, diagnostics);
  ASSERT_EQ(1u, tokens.size());
  EXPECT_EQ(1u, tokens[0].at.column);
  EXPECT_FALSE(diagnostics.HasErrors());
}

}  // namespace
