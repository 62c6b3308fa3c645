// Platform shader blobs for tests: GLSL 4.50 of one stage with its input
// signature, through the platform's builder.
#pragma once

#include <gtest/gtest.h>

#include <d3d10_platform.h>

#include <cstdint>
#include <vector>

inline std::vector<uint8_t> BuildShaderBlob(const D3D10_PLATFORM_SHADER_DESC& desc) {
  SIZE_T size = 0;
  EXPECT_EQ(S_OK, D3D10PlatformBuildShader(&desc, nullptr, &size));
  std::vector<uint8_t> blob(size);
  EXPECT_EQ(S_OK, D3D10PlatformBuildShader(&desc, blob.data(), &size));
  return blob;
}

inline std::vector<uint8_t> BuildShaderBlob(D3D10_PLATFORM_SHADER_STAGE stage, const char* source,
                                            const D3D10_SIGNATURE_PARAMETER_DESC* inputs = nullptr,
                                            UINT inputCount = 0) {
  D3D10_PLATFORM_SHADER_DESC desc = {};
  desc.Stage = stage;
  desc.pSource = source;
  desc.pInputParameters = inputs;
  desc.NumInputParameters = inputCount;
  return BuildShaderBlob(desc);
}
