// Compiles the input as effect source, with two headers it may include.
// Whatever compiles must make an object that passes its own checks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "../platform/fx/fx_compiler.h"
#include "../platform/fx/fx_object.h"

namespace {

class Headers : public FxIncludeHandler {
 public:
  bool Open(bool, const std::string& name, const std::string&, std::string* path, std::string* content) override {
    if (name == "common.fxh") {
      *content = "#define PASS(ps) pass { SetPixelShader(CompileShader(ps_4_0, ps)); }\nfloat4 Shared;\n";
    } else if (name == "self.fxh") {
      *content = "#include \"self.fxh\"\n";
    } else {
      return false;
    }
    *path = name;
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Larger inputs only slow the search down.
  if (size > 8192) return 0;
  Headers headers;
  FxCompileOptions options;
  options.sourceName = "fuzz.fx";
  options.includes = &headers;
  options.defines = {{"FUZZ", "1"}};
  FxEffectObject object;
  std::string messages;
  if (!FxCompile(std::string(reinterpret_cast<const char*>(data), size), options, &object, &messages)) return 0;
  std::vector<uint8_t> bytes = FxWriteObject(object);
  FxEffectObject read;
  if (!FxReadObject(bytes.data(), bytes.size(), &read, &messages)) __builtin_trap();
  return 0;
}
