// The effect compiler against reference listings, and the sample effects.
//
// Every data/cases/*.fx compiles to data/reference/<name>.txt: the listing of
// the effect (without GLSL) and the compiler's messages, or only the messages
// for names containing ".error.". ".child." in a name compiles a child
// effect. A missing reference fails; MORVANE_UPDATE_REFERENCES=1 writes the
// references instead of comparing.
#include <dirent.h>

#include <algorithm>
#include <cstdlib>

#include "FxTestSupport.h"
#include "fx/fx_backend.h"
#include "fx/fx_compiler.h"
#include "fx/fx_disassembly.h"
#include "fx/fx_object.h"

namespace {

std::vector<std::string> FilesIn(const std::string& directory, const std::string& suffix) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(directory.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        names.push_back(name);
      }
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Files under one directory, named in messages by their path inside it.
class RelativeIncludes : public FxIncludeHandler {
 public:
  explicit RelativeIncludes(std::string root) : m_root(std::move(root)) {}
  bool Open(bool, const std::string& name, const std::string& parent, std::string* path,
            std::string* content) override {
    *path = FxDirectoryOf(parent) + name;
    return FxReadFile(m_root + "/" + *path, content);
  }

 private:
  std::string m_root;
};

struct Compiled {
  bool ok;
  FxEffectObject object;
  std::string messages;
};

Compiled CompileCase(const std::string& directory, const std::string& name) {
  RelativeIncludes includes(directory);
  FxCompileOptions options;
  options.sourceName = name;
  options.includes = &includes;
  options.child = name.find(".child.") != std::string::npos;
  Compiled compiled;
  compiled.ok = FxCompile(FxReadText(directory + "/" + name), options, &compiled.object, &compiled.messages);
  return compiled;
}

class ReferenceTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ReferenceTest, MatchesItsReference) {
  const std::string& name = GetParam();
  Compiled compiled = CompileCase(FxDataDirectory() + "/cases", name);
  bool error = name.find(".error.") != std::string::npos;
  EXPECT_EQ(!error, compiled.ok) << compiled.messages;
  std::string actual = error ? compiled.messages : FxDisassemble(compiled.object, false) + compiled.messages;
  std::string reference = FxDataDirectory() + "/reference/" + name.substr(0, name.size() - 3) + ".txt";
  const char* update = std::getenv("MORVANE_UPDATE_REFERENCES");
  if (update && std::string(update) == "1") {
    WriteFileBytes(reference, actual);
    return;
  }
  std::string expected;
  ASSERT_TRUE(FxReadFile(reference, &expected))
      << "no reference " << reference << "; run with MORVANE_UPDATE_REFERENCES=1 to write it";
  EXPECT_EQ(expected, actual);
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.size() - 3);
  std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, ReferenceTest, ::testing::ValuesIn(FilesIn(FxDataDirectory() + "/cases", ".fx")),
                         CaseName);

TEST(References, EveryReferenceHasItsCase) {
  for (const std::string& reference : FilesIn(FxDataDirectory() + "/reference", ".txt")) {
    std::string source = FxDataDirectory() + "/cases/" + reference.substr(0, reference.size() - 4) + ".fx";
    std::string text;
    EXPECT_TRUE(FxReadFile(source, &text)) << reference << " has no case";
  }
}

// The sample effects compile without a message; their SPIR-V validates, their
// objects read back as written, and the device takes their GLSL.
class SampleEffectTest : public EffectTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(SampleEffectTest, CompilesValidatesAndLoads) {
  std::string directory = FxDataDirectory() + "/effects";
  Compiled compiled = CompileCase(directory, GetParam());
  ASSERT_TRUE(compiled.ok) << compiled.messages;
  EXPECT_EQ("", compiled.messages);
  for (const FxShader& shader : compiled.object.shaders) {
    std::string messages;
    EXPECT_TRUE(FxValidateSpirv(shader.spirv, &messages)) << shader.entry << ": " << messages;
  }
  std::vector<uint8_t> bytes = FxWriteObject(compiled.object);
  FxEffectObject read;
  std::string error;
  ASSERT_TRUE(FxReadObject(bytes.data(), bytes.size(), &read, &error)) << error;
  EXPECT_EQ(bytes, FxWriteObject(read));
  Ref<ID3D10Effect> effect;
  Ref<ID3D10EffectPool> pool;
  ID3D10Blob* errors = nullptr;
  HRESULT hr = GetParam() == "SharedPool.fx"
                   ? D3DX10CreateEffectPoolFromMemory(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, "fx_4_0",
                                                      0, 0, device.Get(), nullptr, pool.Put(), &errors, nullptr)
                   : D3DX10CreateEffectFromMemory(bytes.data(), bytes.size(), nullptr, nullptr, nullptr, "fx_4_0", 0, 0,
                                                  device.Get(), nullptr, nullptr, effect.Put(), &errors, nullptr);
  EXPECT_EQ(S_OK, hr) << FxBlobText(errors);
  if (!effect) return;
  // Every pass applies.
  D3D10_EFFECT_DESC desc;
  ASSERT_EQ(S_OK, effect->GetDesc(&desc));
  for (UINT t = 0; t < desc.Techniques; ++t) {
    D3D10_TECHNIQUE_DESC technique;
    ASSERT_EQ(S_OK, effect->GetTechniqueByIndex(t)->GetDesc(&technique));
    for (UINT p = 0; p < technique.Passes; ++p) EXPECT_EQ(S_OK, effect->GetTechniqueByIndex(t)->GetPassByIndex(p)->Apply(0));
  }
}

INSTANTIATE_TEST_SUITE_P(Effects, SampleEffectTest, ::testing::ValuesIn(FilesIn(FxDataDirectory() + "/effects", ".fx")),
                         CaseName);

TEST(CompilerMessages, HlslErrorsPointAtTheUsersLineAndColumn) {
  FxEffectObject object;
  std::string messages;
  FxCompileOptions options;
  options.sourceName = "inline.fx";
  const std::string source =
      "#define SCALE 2\n"
      "float4 PS() : SV_Target\n"
      "{\n"
      "    return missing * SCALE;\n"
      "}\n"
      "technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, PS())); } }\n";
  EXPECT_FALSE(FxCompile(source, options, &object, &messages));
  EXPECT_EQ("inline.fx(4,12): error X3004: 'missing': unknown variable\n", messages);
}

}  // namespace
