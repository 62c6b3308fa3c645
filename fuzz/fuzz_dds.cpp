// Reads the input as a DDS file: its headers, every subresource it claims,
// widened legacy texels, and the texels of each level decoded, halved and
// encoded again as a loader converting them would. Whatever the input
// claims, nothing outside it may be read.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "../platform/d3dx10/d3dx10_dds.h"
#include "../platform/d3dx10/d3dx10_image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  D3DX10DdsFile dds;
  if (FAILED(D3DX10ReadDds(data, size, &dds))) return 0;
  // What the reader accepts lies inside the input.
  if (dds.data < data || dds.size > size || dds.data + dds.size > data + size) std::abort();

  D3DX10Image image;
  if (FAILED(D3DX10DecodeImage(data, size, &image))) std::abort();
  const D3DX10_IMAGE_INFO& info = image.info;
  const uint8_t* end = image.owned.empty() ? data + size : image.owned.data() + image.owned.size();
  for (UINT sub = 0; sub < info.ArraySize * info.MipLevels; ++sub) {
    const uint8_t* texels = image.Subresource(sub);
    if (texels + image.SubresourceSize(sub) > end) std::abort();
    UINT level = sub % info.MipLevels;
    UINT width = info.Width >> level ? info.Width >> level : 1,
         height = info.Height >> level ? info.Height >> level : 1;
    D3DX10Pixels pixels, half;
    if (!D3DX10DecodePixels(info.Format, texels, width, height, &pixels)) continue;
    D3DX10HalvePixels(pixels, sub % 2 != 0, &half);
    std::vector<uint8_t> encoded;
    if (D3DX10EncodePixels(info.Format, half, &encoded) && level + 1 < info.MipLevels &&
        encoded.size() != image.SubresourceSize(sub + 1)) {
      std::abort();
    }
  }
  return 0;
}
