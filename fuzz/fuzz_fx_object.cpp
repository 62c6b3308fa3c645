// Reads the input as a compiled effect object, its checksum made right so
// that the records behind it are what is tried. Whatever reads must write
// back to bytes that read again the same, and list without failing.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "../platform/fx/fx_disassembly.h"
#include "../platform/fx/fx_object.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> input(data, data + size);
  if (size >= 20) {
    uint32_t checksum = FxObjectChecksum(input.data(), size);
    for (int i = 0; i < 4; ++i) input[16 + i] = static_cast<uint8_t>(checksum >> (8 * i));
  }
  FxEffectObject object;
  std::string error;
  if (!FxReadObject(input.data(), size, &object, &error)) return 0;
  std::vector<uint8_t> bytes = FxWriteObject(object);
  FxEffectObject again;
  if (!FxReadObject(bytes.data(), bytes.size(), &again, &error) || FxWriteObject(again) != bytes) __builtin_trap();
  FxDisassemble(object, true);
  return 0;
}
