// The .x reader's machinery: the processor registry, the file header, the
// token readers and the block grammar. The processors of the block types
// live in MeshLoaderProcessors.cpp.
//
//   file      := header (block | reference | comment | space)*
//   block     := type [name] '{' contents '}'
//   reference := '{' [guid] name '}'
//   comment   := ('#' | '//') text up to the line end
#include <morvane/MeshLoader.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <morvane/Core.h>
#include <morvane/Mesh.h>
#include <morvane/MeshEntity.h>

namespace {

const size_t kTokenLength = 128;

bool IsSpace(int c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The text of one number: up to kTokenLength characters, stopping after the
// first ',' or ';'. Comments inside data lists are skipped, as the format
// treats them as white space.
size_t ReadToken(XFileStream& stream, char (&token)[kTokenLength + 1]) {
  size_t length = 0;
  while (length < kTokenLength) {
    int c = stream.Get();
    if (c < 0 || c == ',' || c == ';') break;
    if (c == '#' || (c == '/' && stream.Peek() == '/')) {
      stream.SkipPast('\n');
      continue;
    }
    token[length++] = static_cast<char>(c);
  }
  token[length] = '\0';
  return length;
}

// atoi without its undefined overflow: out-of-range values saturate.
int ParseInt(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  long long value = 0;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value <= 0x7FFFFFFFLL) value = value * 10 + (*text - '0');
  if (negative) value = -value;
  if (value > 0x7FFFFFFFLL) return 0x7FFFFFFF;
  if (value < -0x80000000LL) return static_cast<int>(-0x7FFFFFFFLL - 1);
  return static_cast<int>(value);
}

// atof, through the much faster from_chars where it gives the same value.
float ParseFloat(const char* text, size_t length) {
  const char* end = text + length;
  const char* p = text;
  while (p < end && IsSpace(*p)) ++p;
  if (p < end && *p == '+' && p + 1 < end && *(p + 1) != '-' && *(p + 1) != '+') ++p;
  float value = 0.0f;
  std::from_chars_result result = std::from_chars(p, end, value);
  if (result.ec == std::errc() && (result.ptr == end || (*result.ptr != 'x' && *result.ptr != 'X'))) return value;
  return static_cast<float>(std::strtod(text, nullptr));
}

}  // namespace

bool XFileStream::SkipPast(char c) {
  const void* found = std::memchr(m_pData + m_Position, c, m_Size - m_Position);
  if (!found) {
    m_Position = m_Size;
    return false;
  }
  m_Position = static_cast<size_t>(static_cast<const char*>(found) - m_pData) + 1;
  return true;
}

MeshLoader::MeshLoader(GraphicsDevice* device) : m_pDevice(device) {
  RegisterTemplate("Frame", ProcessFrame);
  RegisterTemplate("FrameTransformMatrix", ProcessFrameTransformMatrix);
  RegisterTemplate("Material", ProcessMaterial);
  RegisterTemplate("TextureFilename", ProcessTextureFilename);
  RegisterTemplate("Mesh", ProcessMesh);
  RegisterTemplate("MeshNormals", ProcessMeshNormals);
  RegisterTemplate("MeshTextureCoords", ProcessMeshTextureCoords);
  RegisterTemplate("MeshVertexColors", ProcessMeshVertexColors);
  RegisterTemplate("MeshMaterialList", ProcessMeshMaterialList);
  RegisterTemplate("VertexDuplicationIndices", ProcessVertexDuplicationIndices);
  RegisterTemplate("XSkinMeshHeader", ProcessXSkinMeshHeader);
  RegisterTemplate("SkinWeights", ProcessSkinWeights);
  RegisterTemplate("AnimationSet", ProcessAnimationSet);
  RegisterTemplate("Animation", ProcessAnimation);
  RegisterTemplate("AnimationKey", ProcessAnimationKey);
  RegisterTemplate("AnimationOptions", ProcessAnimationOptions);
}

void MeshLoader::RegisterTemplate(const StringEX& name, Processor processor) {
  StringEX lower = name;
  for (char& c : lower) c = Lower(c);
  auto inserted = m_Templates.emplace(lower, processor);
  if (inserted.second) return;
  inserted.first->second = processor;
  Core::Log()->WriteLine("Warning: A mesh template processor for: \"" + lower + "\" was already registered.", 0);
}

Mesh* MeshLoader::FromXFile(const StringEX& path) {
  Mesh* mesh = new Mesh(m_pDevice, path);
  if (mesh->OpenBinary(path)) {
    Core::Log()->WriteLine("Reading XMesh from cache: " + path + ".bin", 3);
    return mesh;
  }

  // The whole file is read at once; its size, not a count inside it, sizes
  // the buffer.
  std::string text;
  {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    long size = -1;
    if (file && std::fseek(file.get(), 0, SEEK_END) == 0) size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
      mesh->Release();
      return nullptr;
    }
    text.resize(static_cast<size_t>(size));
    text.resize(std::fread(&text[0], 1, text.size(), file.get()));
  }

  const char* error = nullptr;
  if (text.size() < 16 || text.compare(0, 4, "xof ") != 0)
    error = "This file is not a x model file.";
  else if (text.compare(4, 4, "0302") != 0 && text.compare(4, 4, "0303") != 0)
    error = "X file version not supported.";
  else if (text.compare(8, 4, "txt ") != 0)
    error = "Non text format not implemented.";
  if (error) {
    Core::Log()->Error(error);
    mesh->Release();
    return nullptr;
  }

  Core::Log()->BeginSection("Reading XMesh: " + path, 3);
  XFileStream stream(text.data(), text.size());
  stream.Seek(16);
  MeshLoadInfo info;
  info.m_pMesh = mesh;
  info.m_pLoader = this;
  while (!stream.Eof()) {
    size_t before = stream.Tell();
    ProcessXFile(stream, info, nullptr);
    // A stray character that no rule consumes must not stop the reader.
    if (stream.Tell() == before) stream.Get();
  }
  Core::Log()->EndSection(3);
  mesh->SaveBinary(path);
  return mesh;
}

int MeshLoader::ReadInt(XFileStream& stream) {
  char token[kTokenLength + 1];
  ReadToken(stream, token);
  return ParseInt(token);
}

float MeshLoader::ReadFloat(XFileStream& stream) {
  char token[kTokenLength + 1];
  size_t length = ReadToken(stream, token);
  return ParseFloat(token, length);
}

StringEX MeshLoader::ReadString(XFileStream& stream, char delimiter) {
  StringEX text;
  while (text.size() < kTokenLength - 1) {
    int c = stream.Get();
    if (c < 0 || c == delimiter) break;
    text.push_back(static_cast<char>(c));
  }
  return text;
}

DXMatrix MeshLoader::ReadMatrix4x4(XFileStream& stream) {
  DXMatrix matrix;
  float* element = &matrix._11;
  for (int i = 0; i < 16; ++i) element[i] = ReadFloat(stream);
  stream.Get();
  return matrix;
}

DXVector3 MeshLoader::ReadVector(XFileStream& stream) {
  DXVector3 v;
  v.x = ReadFloat(stream);
  v.y = ReadFloat(stream);
  v.z = ReadFloat(stream);
  stream.Get();
  return v;
}

DXVector2 MeshLoader::ReadCoord2D(XFileStream& stream) {
  DXVector2 v;
  v.x = ReadFloat(stream);
  v.y = ReadFloat(stream);
  stream.Get();
  return v;
}

ColorRGB MeshLoader::ReadColorRGB(XFileStream& stream) {
  ColorRGB color;
  color.r = ReadFloat(stream);
  color.g = ReadFloat(stream);
  color.b = ReadFloat(stream);
  stream.Get();
  return color;
}

ColorRGBA MeshLoader::ReadColorRGBA(XFileStream& stream) {
  ColorRGBA color;
  color.r = ReadFloat(stream);
  color.g = ReadFloat(stream);
  color.b = ReadFloat(stream);
  color.a = ReadFloat(stream);
  stream.Get();
  return color;
}

signed char MeshLoader::PeekBlock(XFileStream& stream) {
  if (stream.Eof()) {
    Core::Log()->WriteLine("EOF.", 4);
    return 0;
  }
  switch (stream.Peek()) {
    case '\t':
    case '\n':
    case '\r':
    case ' ':
      stream.Get();
      return 0;
    case '#':
      stream.SkipPast('\n');
      return -3;
    case '/':
      stream.Get();
      if (stream.Peek() != '/') return -1;
      stream.SkipPast('\n');
      return -3;
    case '{':
      return -2;
    case '}':
      return 2;
    default:
      return 1;
  }
}

MeshEntity* MeshLoader::ProcessTemplate(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  while (!stream.Eof()) {
    switch (PeekBlock(stream)) {
      case 0:
      case -3:
        continue;
      case -1:
        Core::Log()->WriteLine("Error processing x file.", 0);
        return nullptr;
      case 2:
        return nullptr;
      case -2:
        return ProcessReference(stream, info, parent);
      default:
        return ProcessBlock(stream, info, parent);
    }
  }
  return nullptr;
}

void MeshLoader::ProcessXFile(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  if (stream.Eof()) return;
  while (ProcessTemplate(stream, info, parent) && !stream.Eof()) {
  }
  CloseList(stream);
}

void MeshLoader::CloseList(XFileStream& stream) {
  // A Mesh block ends its frame's list (it returns null) and the frame's own
  // '}' then follows after a line end, so white space and comments go first;
  // anything else is left for the enclosing list.
  stream.SkipSpaceAndComments();
  if (stream.Peek() == '}') stream.Get();
}

void MeshLoader::SkipBlock(XFileStream& stream) {
  if (stream.SkipPast('{')) SkipRest(stream);
}

void MeshLoader::SkipRest(XFileStream& stream) {
  unsigned int depth = 1;
  for (int c = stream.Get(); c >= 0; c = stream.Get()) {
    if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return;
    }
  }
}

MeshEntity* MeshLoader::ProcessBlock(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  while (IsSpace(stream.Peek())) stream.Get();
  if (stream.Eof()) {
    Core::Log()->Error("Unexpected EOF.");
    return nullptr;
  }
  // The type name ends at white space, or before a brace that follows it
  // directly ("Mesh{").
  StringEX type;
  for (int c = stream.Peek(); c >= 0 && !IsSpace(c) && c != '{'; c = stream.Peek())
    type.push_back(Lower(static_cast<char>(stream.Get())));
  if (type.empty()) {
    Core::Log()->Error("Blockid empty.");
    stream.Get();
    return nullptr;
  }
  Processor processor = nullptr;
  if (info.m_pLoader) {
    auto found = info.m_pLoader->m_Templates.find(type);
    if (found != info.m_pLoader->m_Templates.end()) processor = found->second;
  }
  if (!processor) {
    Core::Log()->Warning("Unknown block: \"" + type + "\"", 4);
    SkipBlock(stream);
    return nullptr;
  }

  // The name: the next token, cut before a brace inside it; without a brace
  // in it the input is skipped through the next one.
  StringEX name;
  while (stream.Peek() == ' ') stream.Get();
  if (stream.Peek() == '{') {
    stream.Get();
  } else {
    while (IsSpace(stream.Peek())) stream.Get();
    bool brace = false;
    for (int c = stream.Get(); c >= 0; c = stream.Get()) {
      if (c == '{') {
        brace = true;
        break;
      }
      if (IsSpace(c)) break;
      name.push_back(static_cast<char>(c));
    }
    if (!brace) stream.SkipPast('{');
  }
  if (name.empty()) name = "Unnamed" + StringEX(static_cast<int>(info.m_UnnamedCount++));
  // Generated names too: a block may have been named Unnamed0 in the file,
  // and registering a second entity under it would destroy the first.
  if (info.m_pMesh)
    while (info.m_pMesh->HasEntity(name)) name += "_Dup";
  info.m_Name = name;

  // Nesting is bounded so that a hostile file cannot exhaust the stack.
  if (info.m_Depth >= kMaxDepth) {
    Core::Log()->Error("Blocks nested too deeply.");
    SkipRest(stream);
    return nullptr;
  }
  ++info.m_Depth;
  MeshEntity* result = processor(stream, info, parent);
  --info.m_Depth;
  return result;
}

MeshEntity* MeshLoader::ProcessReference(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Core::Log()->WriteLine("ProcessReference", 4);
  stream.Get();
  StringEX text = ReadString(stream, '}');
  text.Trim();
  size_t blank = text.find(' ');
  StringEX name = blank == std::string::npos ? text : StringEX(text.substr(blank + 1));
  Core::Log()->WriteLine("ReferenceName: " + name, 4);
  MeshEntity* entity = info.m_pMesh ? info.m_pMesh->GetEntity(name) : nullptr;
  if (entity) entity->IncRefCount();
  return entity;
}
