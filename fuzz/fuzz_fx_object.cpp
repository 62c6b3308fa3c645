// Reads the input as a compiled effect object, its checksums made right so
// that the records behind them are what is tried. Whatever reads must write
// back to bytes that read again the same, and list without failing; what an
// effect loads must be what a read without SPIR-V gives.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../platform/fx/fx_disassembly.h"
#include "../platform/fx/fx_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> input(data, data + size);
  FxSealObject(input.data(), size);
  FxEffectObject object;
  std::string error;
  // What an effect being created reads is a part of what the rest read.
  bool withoutSpirv = FxReadObject(input.data(), size, &object, &error, FxRead::WithoutSpirv);
  FxLoadedEffect loaded;
  if (loaded.Read(input.data(), size, &error) != withoutSpirv) __builtin_trap();
  if (withoutSpirv && FxDisassemble(*loaded, true) != FxDisassemble(object, true)) __builtin_trap();
  if (!FxReadObject(input.data(), size, &object, &error)) {
    if (withoutSpirv && error.find("checksum") == std::string::npos) __builtin_trap();
    return 0;
  }
  if (!withoutSpirv) __builtin_trap();
  std::vector<uint8_t> bytes = FxWriteObject(object);
  FxEffectObject again;
  if (!FxReadObject(bytes.data(), bytes.size(), &again, &error) || FxWriteObject(again) != bytes) __builtin_trap();
  FxDisassemble(object, true);
  return 0;
}
