// Effect sources, a device-less program and cache readers shared by the
// shader tests. Every file lives in a fresh temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include <platform_testing.h>

#include <morvane/ArchiveStream.h>
#include <morvane/Core.h>
#include <morvane/ShaderProgram.h>

#include "DeviceFixture.h"
#include "RecordingLogger.h"
#include "TempDir.h"

// A small effect with a constant buffer, a semantic, an array and one
// technique whose vertex shader reads positions and colours.
inline const char* const kColorEffect = R"(
cbuffer cbFrame
{
    float4x4 g_mWorldViewProj : WORLDVIEWPROJECTION;
    float4 g_vTint : TINT = {1, 1, 1, 1};
    float4 g_vPalette[4];
};

struct VSIn { float3 Pos : POSITION; float4 Color : COLOR; };
struct PSIn { float4 Pos : SV_Position; float4 Color : COLOR; };

PSIn VS(VSIn input)
{
    PSIn output;
    output.Pos = mul(float4(input.Pos, 1), g_mWorldViewProj);
    output.Color = input.Color * g_vTint + g_vPalette[3];
    return output;
}

float4 PS(PSIn input) : SV_Target { return input.Color; }

technique10 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
)";

// Not an effect: the compiler and the runtime both refuse it.
inline const char* const kBrokenEffect = "float4 g_vColor = ;\ntechnique10 T { pass P { } }\n";

// Counts what the effect classes would do; needs no device.
class CountingProgram : public ShaderProgram {
 public:
  CountingProgram() : ShaderProgram(nullptr) {}
  void Invalidate() override {
    ++invalidations;
    m_Compiled = false;
  }
  void Compile(bool bDebug) override {
    ++compiles;
    m_Debug = bDebug;
    m_Compiled = true;
    m_CompiledEvent.Fire();
  }
  void SetChildEffect(bool child) { m_ChildEffect = child; }
  using ShaderProgram::ReadFileInfos;

  int invalidations = 0;
  int compiles = 0;
};

// The whole content of a stored file of an archive ("" when missing).
inline std::string StoredFile(const std::string& archivePath, const char* name) {
  std::string bytes;
  Archive* archive = Archive::Open(archivePath);
  if (!archive) return bytes;
  if (ArchiveFile* file = archive->OpenFile(name, AM_READ)) {
    bytes.resize(file->GetSize());
    if (!bytes.empty()) file->Read(&bytes[0], static_cast<uint32_t>(bytes.size()));
    archive->CloseFile(file);
  }
  delete archive;
  return bytes;
}

inline uint32_t U32At(const std::string& bytes, size_t offset) {
  uint32_t value = 0;
  if (offset + 4 <= bytes.size()) std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

// How many times fxc was started since the last reset.
inline unsigned CompilerRuns() { return PlatformTesting::CallCount("CreateProcessA"); }
