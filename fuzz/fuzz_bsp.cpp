// Fuzz target for the stored BSP tree reader: whatever the bytes, Read gives
// null or a tree whose traversal writes exactly its 3 x triangle count
// indices, in both orders and both index widths, and which writes back out.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <morvane/BSPTree.h>
#include <morvane/Core.h>

namespace {

void CheckTraversal(const BSPTree& tree, uint32_t triangleCount) {
  DXMatrix identity;
  D3DXMatrixIdentity(&identity);
  const DXVector3 eyes[] = {DXVector3(0, 0, 0), DXVector3(1000, -7, 3)};
  const size_t indexCount = size_t(triangleCount) * 3;
  // Exactly sized, so that any write past the indices is caught.
  std::vector<uint32_t> wide(indexCount);
  std::vector<uint16_t> narrow(indexCount);
  for (const DXVector3& eye : eyes)
    for (bool backToFront : {true, false}) {
      tree.BuildIndexBuffer(wide.data(), true, backToFront, eye, identity);
      tree.BuildIndexBuffer(narrow.data(), false, backToFront, eye, identity);
      for (size_t i = 0; i < indexCount; ++i)
        if (narrow[i] != static_cast<uint16_t>(wide[i])) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialised = (Core::Init(), true);
  (void)initialised;
  if (size == 0) return 0;

  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!stream) return 0;
  const std::unique_ptr<BSPTree> tree(BSPTree::Read(stream));
  std::fclose(stream);
  if (!tree) return 0;

  // A tree was accepted, so the header's triangle count is its own.
  uint32_t triangleCount;
  std::memcpy(&triangleCount, data + 4, sizeof(triangleCount));
  CheckTraversal(*tree, triangleCount);

  char* written = nullptr;
  size_t writtenSize = 0;
  FILE* out = open_memstream(&written, &writtenSize);
  if (out) {
    tree->Write(out);
    std::fclose(out);
    // The header and the indices come back byte for byte.
    const size_t prefix = 8 + size_t(triangleCount) * 12;
    if (writtenSize < prefix || std::memcmp(written, data, prefix) != 0) std::abort();
    std::free(written);
  }
  return 0;
}
