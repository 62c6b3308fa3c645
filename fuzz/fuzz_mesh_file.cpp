// Fuzz target for the binary mesh file reader: whatever the bytes, the cache
// is refused (and the model left empty) or gives a model whose links and
// counts hold up when walked. There is no source beside the cache, so it is
// used as it stands.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <morvane/MeshLoader.h>

#include "fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MeshLoader loader(FuzzDevice());
  const std::string& path = FuzzModelPath();
  FILE* file = std::fopen((path + ".bin").c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  // Without a source and without a usable cache there is nothing to load.
  Mesh* mesh = loader.FromXFile(path);
  if (!mesh) return 0;
  WalkModel(*mesh);
  mesh->Release();
  return 0;
}
