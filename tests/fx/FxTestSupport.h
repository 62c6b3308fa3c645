// What the effect tests share: where their data and the effect compiler are,
// and a device fixture that makes effects.
//
// The build passes no paths to the tests. The data lies beside this file,
// found through __FILE__; fxc is built into the build tree's tools/fxc/,
// found from this program's own path (build/tests/test_fx gives
// build/tools/fxc/fxc).
#pragma once

#include <d3dx10.h>
#include <gtest/gtest.h>

#include <limits.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../d3d10/D3D10Fixture.h"
#include "TempDir.h"

inline std::string FxDataDirectory() {
  std::string file = __FILE__;
  return file.substr(0, file.rfind('/')) + "/data";
}

inline std::string FxcPath() {
  char self[PATH_MAX] = {};
  ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
  std::string path(self, length > 0 ? static_cast<std::size_t>(length) : 0);
  path = path.substr(0, path.rfind('/'));   // build/tests
  path = path.substr(0, path.rfind('/'));   // build
  return path + "/tools/fxc/fxc";
}

inline std::string FxReadText(const std::string& path) { return ReadFileBytes(path); }

// Text of an error blob ("" when there is none); releases it.
inline std::string FxBlobText(ID3D10Blob* blob) {
  if (!blob) return "";
  std::string text(static_cast<const char*>(blob->GetBufferPointer()));
  blob->Release();
  return text;
}

class EffectTest : public D3D10Test {
 protected:
  // An effect from source text; the test fails with the compiler's messages
  // when it does not compile.
  Ref<ID3D10Effect> Compile(const std::string& source, ID3D10EffectPool* pool = nullptr,
                            const D3D10_SHADER_MACRO* defines = nullptr) {
    Ref<ID3D10Effect> effect;
    ID3D10Blob* errors = nullptr;
    HRESULT hr = D3DX10CreateEffectFromMemory(source.data(), source.size(), "test.fx", defines, nullptr, "fx_4_0", 0,
                                              pool ? D3D10_EFFECT_COMPILE_CHILD_EFFECT : 0, device.Get(), pool,
                                              nullptr, effect.Put(), &errors, nullptr);
    std::string text = FxBlobText(errors);
    EXPECT_EQ(S_OK, hr) << text;
    return effect;
  }

  Ref<ID3D10Effect> CompileFile(const std::string& name) {
    return Compile(FxReadText(FxDataDirectory() + "/effects/" + name));
  }

  // The messages of source that must not compile.
  std::string CompileErrors(const std::string& source) {
    Ref<ID3D10Effect> effect;
    ID3D10Blob* errors = nullptr;
    HRESULT hr = D3DX10CreateEffectFromMemory(source.data(), source.size(), "bad.fx", nullptr, nullptr, "fx_4_0", 0,
                                              0, device.Get(), nullptr, nullptr, effect.Put(), &errors, nullptr);
    EXPECT_EQ(E_FAIL, hr);
    EXPECT_FALSE(effect);
    return FxBlobText(errors);
  }

  // Draws `count` vertices of `vertices` with every pass of the technique.
  void DrawTechnique(ID3D10EffectTechnique* technique, const void* vertices, UINT stride, UINT count,
                     const D3D10_INPUT_ELEMENT_DESC* elements, UINT elementCount,
                     D3D10_PRIMITIVE_TOPOLOGY topology = D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST) {
    D3D10_TECHNIQUE_DESC desc;
    ASSERT_EQ(S_OK, technique->GetDesc(&desc));
    D3D10_PASS_DESC pass;
    ASSERT_EQ(S_OK, technique->GetPassByIndex(0)->GetDesc(&pass));
    Ref<ID3D10InputLayout> layout;
    ASSERT_EQ(S_OK, device->CreateInputLayout(elements, elementCount, pass.pIAInputSignature, pass.IAInputSignatureSize,
                                              layout.Put()));
    Ref<ID3D10Buffer> buffer = MakeBuffer(stride * count, D3D10_USAGE_IMMUTABLE, D3D10_BIND_VERTEX_BUFFER, 0, vertices);
    ID3D10Buffer* buffers[] = {buffer.Get()};
    UINT offset = 0;
    device->IASetVertexBuffers(0, 1, buffers, &stride, &offset);
    device->IASetInputLayout(layout.Get());
    device->IASetPrimitiveTopology(topology);
    for (UINT p = 0; p < desc.Passes; ++p) {
      ASSERT_EQ(S_OK, technique->GetPassByIndex(p)->Apply(0));
      device->Draw(count, 0);
    }
  }
};

// Position and colour, as most test effects read them.
inline const D3D10_INPUT_ELEMENT_DESC* FxColorElements() { return ColorElements(); }
