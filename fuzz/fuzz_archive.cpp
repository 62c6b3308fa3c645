// Opens the input as an archive container and, when it opens, reads, writes,
// truncates and creates stored files in it. Whatever the archive leaves
// behind must open again and give back what was written.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <morvane/ArchiveStream.h>

namespace {

std::string ScratchPath() {
  std::error_code error;
  const std::filesystem::path directory =
      std::filesystem::is_directory("/dev/shm", error) ? "/dev/shm" : std::filesystem::temp_directory_path();
  return (directory / ("morvane-fuzz-archive-" + std::to_string(getpid()) + ".bin")).string();
}

void ReadAll(Archive& archive, const char* name) {
  ArchiveFile* file = archive.OpenFile(name, AM_READ);
  if (!file) return;
  ArchiveStream stream(file);
  for (int i = 0; i < 64 && file->GetPosition() < file->GetSize(); ++i) {
    stream.ReadString();
    stream.ReadVector3();
    stream.ReadInt64();
    stream.ReadBool();
  }
  archive.CloseFile(file);
}

void Rewrite(Archive& archive, const char* name, unsigned char mode, uint32_t at, uint32_t count) {
  ArchiveFile* file = archive.OpenFile(name, mode);
  if (!file) return;
  const std::string data(count, 'w');
  file->Seek(at);
  file->Write(data.data(), count);
  file->SeekEnd();
  file->Write(data.data(), count / 2);
  archive.CloseFile(file);
}

const char kCheckName[] = "fuzz-check";
const StringEX kCheckText(100, 'c');

// Writes the check file; true when all of it fitted.
bool WriteCheck(Archive& archive) {
  ArchiveFile* file = archive.OpenFile(kCheckName, AM_WRITE);
  if (!file) return false;
  ArchiveStream stream(file);
  stream.Write(kCheckText);
  stream.Write(-7);
  const bool complete = file->GetSize() == 4 + kCheckText.size() + 4;
  archive.CloseFile(file);
  return complete;
}

bool CheckIsIntact(Archive& archive) {
  ArchiveFile* file = archive.OpenFile(kCheckName, AM_READ);
  if (!file) return false;
  ArchiveStream stream(file);
  const bool intact = stream.ReadString() == kCheckText && stream.ReadInt32() == -7;
  archive.CloseFile(file);
  return intact;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = ScratchPath();
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return 0;
  std::fwrite(data, 1, size, out);
  std::fclose(out);

  std::unique_ptr<Archive> archive(Archive::Open(path));
  if (archive) {
    ReadAll(*archive, "a");
    ReadAll(*archive, "b");
    Rewrite(*archive, "a", AM_READ | AM_READWRITE, 5, 70);
    Rewrite(*archive, "b", AM_APPEND, 0, 40);
    Rewrite(*archive, "c", AM_WRITE, 0, 33);
    Rewrite(*archive, "a", AM_WRITE, 0, 9);
    const bool checkWritten = WriteCheck(*archive);
    // Left open: the next open has to close it.
    ArchiveFile* left = archive->OpenFile("d", AM_READWRITE);
    if (left) left->Write("open", 4);
    archive.reset();
    delete left;

    archive.reset(Archive::Open(path));
    if (!archive || (checkWritten && !CheckIsIntact(*archive))) std::abort();
    ReadAll(*archive, "d");
  }
  archive.reset();
  std::remove(path.c_str());
  return 0;
}
