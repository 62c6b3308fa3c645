// MeshLoader: reads models in the text form of the .x format into a Mesh: the
// frame hierarchy, materials, geometries (through mesh containers turned into
// device meshes), skinning data and animation sets. A recursive-descent
// reader with a registry that maps each block type name to a processor.
// FromXFile first tries the mesh's binary cache and writes it after a parse.
#pragma once

#include <cstddef>
#include <map>

#include "ColorRGBA.h"
#include "DXMath.h"
#include "StringEX.h"

class AnimationSet;
class Animation;
class GraphicsDevice;
class Mesh;
class MeshContainer;
class MeshEntity;
class MeshFrame;
class MeshLoader;

struct ColorRGB {
  float r;
  float g;
  float b;
};

// The characters of one model file, read one at a time. Reading past the end
// gives EOF and moves nothing, so that every reader stops there.
class XFileStream {
 public:
  XFileStream(const char* data, size_t size) : m_pData(data), m_Size(size), m_Position(0) {}

  bool Eof() const { return m_Position >= m_Size; }
  int Peek() const { return Eof() ? -1 : static_cast<unsigned char>(m_pData[m_Position]); }
  int Get() { return Eof() ? -1 : static_cast<unsigned char>(m_pData[m_Position++]); }
  size_t Tell() const { return m_Position; }
  void Seek(size_t position) { m_Position = position < m_Size ? position : m_Size; }
  size_t Remaining() const { return m_Size - m_Position; }
  // Skips up to and including the next c; false when the input ends first.
  bool SkipPast(char c);
  // Skips blanks, tabs, line ends and comments ('#' or '//' to the line end).
  void SkipSpaceAndComments();

 private:
  const char* m_pData;
  size_t m_Size;
  size_t m_Position;
};

// The state of one load.
struct MeshLoadInfo {
  MeshFrame* m_pFrame = nullptr;          // the frame whose block is being read
  MeshContainer* m_pContainer = nullptr;  // the container of the mesh block being read
  AnimationSet* m_pAnimationSet = nullptr;
  Animation* m_pAnimation = nullptr;
  Mesh* m_pMesh = nullptr;
  StringEX m_Name;                 // the name of the block being processed
  unsigned int m_UnnamedCount = 0;  // numbers the generated names
  unsigned int m_Depth = 0;         // blocks open around the one being read
  const MeshLoader* m_pLoader = nullptr;  // whose processors read the blocks
};

class MeshLoader {
 public:
  // Reads one block whose header (type and name) has been read; returns the
  // entity that drives the enclosing child list (null ends it).
  typedef MeshEntity* (*Processor)(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);

  // Blocks nested deeper than this are skipped whole.
  static const unsigned int kMaxDepth = 256;

  explicit MeshLoader(GraphicsDevice* device);
  MeshLoader(const MeshLoader&) = default;
  MeshLoader& operator=(const MeshLoader&) = default;

  // Stores processor under the lower-cased name; replacing one logs a warning.
  void RegisterTemplate(const StringEX& name, Processor processor);
  // A new mesh (the caller owns one reference) from the cache beside path
  // when it is fresh, else parsed from path and then cached; null when the
  // file cannot be opened or its header is not a text .x header.
  Mesh* FromXFile(const StringEX& path);
  GraphicsDevice* GetDevice() const { return m_pDevice; }

  // Token readers: the text up to the next ',' or ';' (consumed), at most
  // 128 characters, converted as atoi / atof do. Comments are skipped.
  static int ReadInt(XFileStream& stream);
  static float ReadFloat(XFileStream& stream);
  // At most 127 characters up to delimiter (consumed, not stored).
  static StringEX ReadString(XFileStream& stream, char delimiter);
  // Sixteen floats row by row, then the second ';' of ";;".
  static DXMatrix ReadMatrix4x4(XFileStream& stream);
  // Each followed by one consumed character.
  static DXVector3 ReadVector(XFileStream& stream);
  static DXVector2 ReadCoord2D(XFileStream& stream);
  static ColorRGB ReadColorRGB(XFileStream& stream);
  static ColorRGBA ReadColorRGBA(XFileStream& stream);

  // The child loop: blocks until one returns null, then the '}' that ended
  // the list.
  static void ProcessXFile(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  // The next block or reference, after white space and comments; null at the
  // end of a list, at the end of the input and on errors.
  static MeshEntity* ProcessTemplate(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  // 0 white space (consumed), 1 block, 2 end of block, -1 error, -2
  // reference, -3 comment (consumed).
  static signed char PeekBlock(XFileStream& stream);
  // Skips through the next '{' and its matching '}'.
  static void SkipBlock(XFileStream& stream);
  // Skips through the '}' that closes the block being read.
  static void SkipRest(XFileStream& stream);
  // Consumes the '}' that ends a child list when it comes next after white
  // space and comments.
  static void CloseList(XFileStream& stream);
  static MeshEntity* ProcessBlock(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessReference(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);

  static MeshEntity* ProcessFrame(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessFrameTransformMatrix(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMaterial(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessTextureFilename(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMesh(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMeshNormals(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMeshTextureCoords(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMeshVertexColors(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessMeshMaterialList(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessVertexDuplicationIndices(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessXSkinMeshHeader(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessSkinWeights(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessAnimationSet(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessAnimation(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessAnimationKey(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);
  static MeshEntity* ProcessAnimationOptions(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent);

 private:
  GraphicsDevice* m_pDevice;
  std::map<StringEX, Processor> m_Templates;
};
