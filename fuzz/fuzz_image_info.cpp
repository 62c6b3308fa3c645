// Writes the input to a file and asks D3DX10GetImageInfoFromFileA about it,
// then decodes what the description promises, as D3DX10CreateTextureFromFileA
// would before it reaches the device. A description that reads must come
// from a file that decodes to it or is refused with a result code; nothing
// may crash, read outside the input or allocate for pixels the input cannot
// hold.
#include <d3dx10tex.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "../platform/d3dx10/d3dx10_image.h"

namespace {

std::string ScratchPath() {
  std::error_code error;
  const std::filesystem::path directory =
      std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
  return (directory / ("morvane-fuzz-image-" + std::to_string(getpid()) + ".bin")).string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchPath();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 0;
  if (size) std::fwrite(data, 1, size, out);
  std::fclose(out);

  D3DX10_IMAGE_INFO info = {};
  HRESULT async = S_OK;
  HRESULT hr = D3DX10GetImageInfoFromFileA(path.c_str(), nullptr, &info, &async);
  std::remove(path.c_str());
  if (hr != async) std::abort();
  D3DX10_IMAGE_INFO inMemory = {};
  if (D3DX10ReadImageInfo(data, size, &inMemory) != hr) std::abort();
  if (FAILED(hr)) return 0;

  D3DX10Image image;
  if (FAILED(D3DX10DecodeImage(data, size, &image))) return 0;
  if (image.info.Width != info.Width || image.info.Height != info.Height || image.info.Format != info.Format) {
    std::abort();
  }
  return 0;
}
