// Fuzz target for the .x reader: whatever the text, loading gives null or a
// model whose links and counts hold up when walked, and the cache written
// after the parse reads back into a model of the same shape.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <morvane/MeshLoader.h>

#include "fuzz_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MeshLoader loader(FuzzDevice());
  const std::string& path = FuzzModelPath();
  // A cache of an earlier input may carry the same size and time stamp.
  std::remove((path + ".bin").c_str());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  Mesh* parsed = loader.FromXFile(path);
  if (!parsed) return 0;
  ModelCounts counts = WalkModel(*parsed);
  parsed->Release();

  Mesh* cached = loader.FromXFile(path);
  if (!cached || !(WalkModel(*cached) == counts)) std::abort();
  cached->Release();
  return 0;
}
