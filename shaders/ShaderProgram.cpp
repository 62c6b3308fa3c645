#include <morvane/ShaderProgram.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <morvane/ArchiveStream.h>
#include <morvane/Core.h>
#include <morvane/Logger.h>

namespace {

constexpr uint32_t kCacheVersion = 11;
// The smallest encodings in the index: a file entry is an empty path and two
// 8-byte values, a record two flag bytes, a define count and a code number,
// a define two empty strings. Counts are checked against them before a loop.
constexpr uint32_t kMinFileEntry = 4 + 8 + 8;
constexpr uint32_t kMinRecord = 1 + 1 + 4 + 4;
constexpr uint32_t kMinDefine = 4 + 4;

bool StatFile(const StringEX& path, int64_t& time, int64_t& size) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return false;
  time = static_cast<int64_t>(status.st_mtime);
  size = static_cast<int64_t>(status.st_size);
  return true;
}

// The directory part of a path: up to and including the last separator.
StringEX DirectoryOf(const StringEX& path) {
  size_t slash = path.find_last_of("/\\");
  return slash == StringEX::npos ? StringEX() : StringEX(path.substr(0, slash + 1));
}

bool FitsIn(const ArchiveFile* file, uint64_t count, uint32_t minSize) {
  return count * minSize <= file->GetSize() - file->GetPosition();
}

unsigned char ReadByte(ArchiveFile* file) {
  unsigned char value = 0;
  file->Read(&value, 1);
  return value;
}

void WriteByte(ArchiveFile* file, bool value) {
  unsigned char byte = value ? 1 : 0;
  file->Write(&byte, 1);
}

struct IndexBlock {
  uint32_t Version = 0;
  uint32_t RecordCount = 0;
  uint32_t NextCode = 0;
  uint32_t FileCount = 0;
};

IndexBlock ReadBlock(ArchiveFile* index) {
  IndexBlock block;
  ArchiveStream stream(index);
  block.Version = static_cast<uint32_t>(stream.ReadInt32());
  block.RecordCount = static_cast<uint32_t>(stream.ReadInt32());
  block.NextCode = static_cast<uint32_t>(stream.ReadInt32());
  block.FileCount = static_cast<uint32_t>(stream.ReadInt32());
  return block;
}

void WriteBlock(ArchiveFile* index, const IndexBlock& block) {
  ArchiveStream stream(index);
  stream.Write(static_cast<int>(block.Version));
  stream.Write(static_cast<int>(block.RecordCount));
  stream.Write(static_cast<int>(block.NextCode));
  stream.Write(static_cast<int>(block.FileCount));
}

// Reads count file entries and compares them with expected as it goes.
bool FileEntriesMatch(ArchiveFile* index, uint32_t count, const std::vector<ShaderProgram::FileVersion>& expected) {
  if (!FitsIn(index, count, kMinFileEntry)) return false;
  bool same = count == expected.size();
  ArchiveStream stream(index);
  for (uint32_t i = 0; i < count; ++i) {
    ShaderProgram::FileVersion entry;
    entry.Path = stream.ReadString();
    entry.Time = stream.ReadInt64();
    entry.Size = stream.ReadInt64();
    if (same && !(entry == expected[i])) same = false;
  }
  return same;
}

// Reads one record; true when its flags and defines are the ones asked for.
bool RecordMatches(ArchiveFile* index, bool debug, bool child, const std::vector<ShaderMacro>& defines,
                   uint32_t& code) {
  ArchiveStream stream(index);
  bool same = ReadByte(index) == (debug ? 1 : 0);
  same = ReadByte(index) == (child ? 1 : 0) && same;
  uint32_t count = static_cast<uint32_t>(stream.ReadInt32());
  if (!FitsIn(index, count, kMinDefine)) {
    code = 0;
    index->SeekEnd();
    return false;
  }
  same = same && count == defines.size();
  for (uint32_t i = 0; i < count; ++i) {
    ShaderMacro define;
    define.Name = stream.ReadString();
    define.Definition = stream.ReadString();
    if (same && !(define == defines[i])) same = false;
  }
  code = static_cast<uint32_t>(stream.ReadInt32());
  return same;
}

void CloseArchive(Archive* archive, ArchiveFile* file) {
  if (file) archive->CloseFile(file);
  delete archive;
}

}  // namespace

void EventHandler::Fire() {
  for (BaseListener* listener : m_Listeners) listener->Notify();
}

void EventHandler::AddListener(BaseListener* listener) {
  if (listener) m_Listeners.push_back(listener);
}

void EventHandler::RemoveListener(BaseListener* listener) {
  m_Listeners.erase(std::remove(m_Listeners.begin(), m_Listeners.end(), listener), m_Listeners.end());
}

ShaderProgram::ShaderProgram(GraphicsDevice* const device)
    : m_pDevice(device), m_BinaryCode(false), m_Compiled(false), m_Debug(false), m_ChildEffect(false) {}

void ShaderProgram::SetCode(const StringEX& code, bool binary) {
  Invalidate();
  m_Code = code;
  m_BinaryCode = binary;
}

StringEX ShaderProgram::GetDisassembly() { return StringEX(); }

void ShaderProgram::SetDefines(const std::vector<ShaderMacro>* const defines) {
  Invalidate();
  if (defines)
    m_Defines = *defines;
  else
    m_Defines.clear();
}

void ShaderProgram::SetDefines(const D3D10_SHADER_MACRO* const defines) {
  Invalidate();
  m_Defines.clear();
  if (!defines) return;
  for (const D3D10_SHADER_MACRO* define = defines; define->Name && define->Definition; ++define)
    m_Defines.push_back(ShaderMacro{define->Name, define->Definition});
}

void ShaderProgram::Save(const StringEX& file) {
  SetFilename(file);
  WriteCodeFile(file);
}

void ShaderProgram::SaveDisassembly(const StringEX& file) {
  StringEX code;
  code.swap(m_Code);
  m_Code = GetDisassembly();
  WriteCodeFile(file);
  m_Code.swap(code);
}

void ShaderProgram::SetFilename(const StringEX& file) {
  m_Filename = file;
  m_Directory = DirectoryOf(file);
}

void ShaderProgram::ReadCodeFile(const StringEX& file) {
  m_BinaryCode = false;
  m_Code.clear();
  std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "rb"), std::fclose);
  if (!stream) return;
  char chunk[65536];
  size_t count;
  while ((count = std::fread(chunk, 1, sizeof(chunk), stream.get())) > 0) m_Code.append(chunk, count);
}

void ShaderProgram::WriteCodeFile(const StringEX& file) {
  if (file.empty()) return;
  std::unique_ptr<FILE, int (*)(FILE*)> stream(std::fopen(file.c_str(), "wt"), std::fclose);
  if (!stream) return;
  std::fwrite(m_Code.data(), 1, m_Code.size(), stream.get());
}

void ShaderProgram::ReadFileInfos(const StringEX& file, std::vector<FileVersion>& out) {
  out.clear();
  FileVersion source{file, 0, 0};
  if (!StatFile(file, source.Time, source.Size)) return;
  out.push_back(source);
  ReadCodeFile(file);

  static const char kInclude[] = "#include";
  const size_t keyLength = sizeof(kInclude) - 1;
  size_t position = 0;
  while ((position = m_Code.find(kInclude, position)) != StringEX::npos) {
    size_t start = position + keyLength;
    size_t end = m_Code.find('\n', start);
    if (end == StringEX::npos) end = m_Code.size();
    StringEX name(m_Code.substr(start, end - start));
    // Files saved with CR LF line ends would otherwise keep the carriage
    // return, and with it the closing delimiter, in the include's name.
    if (!name.empty() && name.back() == '\r') name.pop_back();
    name.Trim();
    // Drop the delimiters: the quotes or the angle brackets.
    name = name.size() >= 2 ? StringEX(name.substr(1, name.size() - 2)) : StringEX();
    FileVersion include{m_Directory + name, -1, -1};
    if (!StatFile(include.Path, include.Time, include.Size)) include.Time = include.Size = -1;
    out.push_back(include);
    position = end + 1;
    if (position >= m_Code.size()) break;
  }
}

void ShaderProgram::Open(const StringEX& file, bool bBinary, bool bDebug) {
  Invalidate();
  SetFilename(file);
  m_Code.clear();
  m_Debug = bDebug;
  m_BinaryCode = false;
  ReadFileInfos(file, m_FileVersions);

  ILogger* log = Core::Log();
  if (!bBinary) {
    // The scan has already read the source into the code buffer.
    log->BeginSection("Read shader text file.", 4);
    log->EndSection(4);
    return;
  }

  log->BeginSection("Read shader binary file.", 4);
  // The scan lists the source first exactly when its stat succeeded.
  const bool sourceExists = !m_FileVersions.empty();
  bool cacheUsable = false;
  if (ReadCache(file, sourceExists, bDebug, cacheUsable)) {
    log->EndSection(4);
    return;
  }
  if (!cacheUsable && sourceExists) CreateCache(file);

  if (!sourceExists) {
    m_Errors = "ERROR: File not found!";
    log->Error("Shader file not found:" + file);
    log->EndSection(4);
    return;
  }
  CreatePrecompiledCode(file);
  SaveBinaryCode(file);
  // No object: the effect is compiled from its text when it is created.
  if (m_Code.empty()) ReadCodeFile(file);
  log->EndSection(4);
}

bool ShaderProgram::ReadCache(const StringEX& file, bool sourceExists, bool bDebug, bool& cacheUsable) {
  cacheUsable = false;
  Archive* archive = Archive::Open(file + ".bin");
  if (!archive) return false;
  ArchiveFile* index = archive->OpenFile("i", AM_READ);
  if (!index) {
    CloseArchive(archive, nullptr);
    Core::Log()->WriteLine("Invalid shader effect archive file.", 0);
    return false;
  }

  IndexBlock block = ReadBlock(index);
  bool filesMatch = FileEntriesMatch(index, block.FileCount, m_FileVersions);
  if (block.Version != kCacheVersion || (sourceExists && !filesMatch) ||
      !FitsIn(index, block.RecordCount, kMinRecord)) {
    CloseArchive(archive, index);
    return false;
  }
  cacheUsable = true;

  ArchiveFile* code = nullptr;
  for (uint32_t i = 0; i < block.RecordCount && !code; ++i) {
    uint32_t number = 0;
    if (RecordMatches(index, bDebug, m_ChildEffect, m_Defines, number))
      code = archive->OpenFile(StringEX(std::to_string(number)), AM_READ);
  }
  archive->CloseFile(index);
  if (!code) {
    CloseArchive(archive, nullptr);
    return false;
  }

  // A code file shorter than the object it announces was cut off: the cache
  // is rebuilt rather than handing a damaged object to the effect runtime.
  uint32_t length = 0;
  code->Read(&length, sizeof(length));
  if (code->GetSize() < sizeof(length) || length > code->GetSize() - sizeof(length)) {
    CloseArchive(archive, code);
    cacheUsable = false;
    return false;
  }
  code->Seek(0);
  m_Code = ArchiveStream(code).ReadString();
  m_BinaryCode = true;
  CloseArchive(archive, code);
  return true;
}

void ShaderProgram::CreateCache(const StringEX& file) {
  Archive* archive = Archive::Create(file + ".bin");
  if (!archive) return;
  ArchiveFile* index = archive->OpenFile("i", AM_WRITE);
  if (index) {
    WriteBlock(index, IndexBlock{kCacheVersion, 0, 0, static_cast<uint32_t>(m_FileVersions.size())});
    ArchiveStream stream(index);
    for (const FileVersion& version : m_FileVersions) {
      stream.Write(version.Path);
      stream.Write(static_cast<__int64>(version.Time));
      stream.Write(static_cast<__int64>(version.Size));
    }
  }
  CloseArchive(archive, index);
}

void ShaderProgram::CreatePrecompiledCode(const StringEX& file) {
  m_Code.clear();
  m_BinaryCode = false;
  ILogger* log = Core::Log();

  char temporary[MAX_PATH] = "";
  GetTempFileNameA("", "", 0, temporary);

  char host[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, host, MAX_PATH);
  StringEX command = DirectoryOf(host);
  command += m_Debug ? "fxc /nologo /Ges /Od /Zi /T fx_4_0 /Fo " : "fxc /nologo /Ges /O3 /T fx_4_0 /Fo ";
  command += temporary;
  if (m_ChildEffect) command += " /Gch";
  for (const ShaderMacro& define : m_Defines)
    command += " /D " + define.Name + "=" + (define.Definition.empty() ? StringEX("0") : define.Definition);
  command += " \"" + file + "\"";

  SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE readPipe = nullptr;
  HANDLE writePipe = nullptr;
  if (CreatePipe(&readPipe, &writePipe, &attributes, 0))
    SetHandleInformation(readPipe, HANDLE_FLAG_INHERIT, 0);
  else
    log->Error("CreatePile -> Can't redirect stdout of fxc.");

  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writePipe;
  startup.hStdError = writePipe;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    log->Error("Can't run fxc process.");
    if (readPipe) CloseHandle(readPipe);
    if (writePipe) CloseHandle(writePipe);
    DeleteFileA(temporary);
    return;
  }

  // The child holds its own copy of the write end: closing ours lets the
  // read below end when the compiler exits, and reading while it runs keeps
  // a full pipe from ever blocking it.
  if (writePipe) CloseHandle(writePipe);
  if (readPipe) {
    char chunk[1024];
    DWORD count = 0;
    while (ReadFile(readPipe, chunk, sizeof(chunk), &count, nullptr) && count > 0) {
      StringEX text(chunk, count);
      log->Write(text, 0);
      m_Errors += text;
    }
    CloseHandle(readPipe);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);

  ReadCodeFile(temporary);
  m_BinaryCode = true;
  DeleteFileA(temporary);
}

void ShaderProgram::SaveBinaryCode(const StringEX& file) {
  if (!m_BinaryCode || m_Code.empty()) return;
  Archive* archive = Archive::Open(file + ".bin");
  if (!archive) return;
  ArchiveFile* index = archive->OpenFile("i", AM_READ | AM_READWRITE);
  if (!index) {
    Core::Log()->Error("Can't write shader effect index.");
    CloseArchive(archive, nullptr);
    return;
  }

  IndexBlock block = ReadBlock(index);
  ++block.RecordCount;
  uint32_t number = block.NextCode++;
  index->Seek(0);
  WriteBlock(index, block);
  index->SeekEnd();

  ArchiveStream stream(index);
  WriteByte(index, m_Debug);
  WriteByte(index, m_ChildEffect);
  stream.Write(static_cast<int>(m_Defines.size()));
  for (const ShaderMacro& define : m_Defines) {
    stream.Write(define.Name);
    stream.Write(define.Definition);
  }
  stream.Write(static_cast<int>(number));

  ArchiveFile* code = archive->OpenFile(StringEX(std::to_string(number)), AM_WRITE);
  if (!code) {
    Core::Log()->Error("Can't write shader effect code.");
  } else {
    ArchiveStream(code).Write(m_Code);
    archive->CloseFile(code);
  }
  CloseArchive(archive, index);
}

void ShaderProgram::Reload() {
  std::vector<FileVersion> current;
  ReadFileInfos(m_Filename, current);
  if (current == m_FileVersions) return;
  Open(m_Filename, true, m_Debug);
  Compile(m_Debug);
}
