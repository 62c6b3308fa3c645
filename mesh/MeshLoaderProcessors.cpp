// The processors of the .x block types. Each one is entered after its
// block's '{' and leaves the input after the block's '}'. Every count read
// from the file is checked against the bytes that remain before it sizes
// anything, every index against what it indexes, and every loop stops at the
// end of the input.
#include <morvane/MeshLoader.h>

#include <dxgiformat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <morvane/Animation.h>
#include <morvane/AnimationKey.h>
#include <morvane/Core.h>
#include <morvane/Mesh.h>
#include <morvane/MeshContainer.h>
#include <morvane/MeshFrame.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshMaterial.h>

namespace {

typedef PerTriangleIndexedAttribute<unsigned char, unsigned int> FaceIndexAttribute;

void Log(const StringEX& text) { Core::Log()->WriteLine(text, 4); }

// Whether count items of at least bytesEach characters can still follow.
bool Fits(int count, const XFileStream& stream, size_t bytesEach) {
  return count >= 0 && static_cast<size_t>(count) <= stream.Remaining() / bytesEach;
}

// Mesh data needs a frame and the mesh block it belongs to: the mesh's
// container, or null with the error logged and the rest of the block skipped.
MeshContainer* MeshOf(XFileStream& stream, const MeshLoadInfo& info) {
  if (!info.m_pFrame || !info.m_pContainer) {
    Core::Log()->Error(info.m_pFrame ? "No Mesh." : "No frame.");
    MeshLoader::SkipRest(stream);
    return nullptr;
  }
  return info.m_pContainer;
}

// Logs text and skips the rest of the block; returns result.
MeshEntity* Fail(XFileStream& stream, const char* text, MeshEntity* result) {
  Core::Log()->Error(text);
  MeshLoader::SkipRest(stream);
  return result;
}

template <typename T>
PerVertexAttribute<T>* VertexStream(MeshContainer* container, const char* semantic, DXGI_FORMAT format) {
  PerVertexAttribute<T>* attribute = new PerVertexAttribute<T>(container);
  attribute->m_Semantic = semantic;
  attribute->m_SemanticIndex = 0;
  attribute->m_Format = format;
  return attribute;
}

// first[f] .. first[f + 1] - 1 are the triangles cut from file face f, from
// the face number FACEINDEX gives each triangle (triangles follow the faces
// in order). Empty without a usable FACEINDEX.
std::vector<unsigned int> FaceTriangles(const MeshContainer* container) {
  const FaceIndexAttribute* faces = dynamic_cast<const FaceIndexAttribute*>(container->GetAttribute("FACEINDEX"));
  std::vector<unsigned int> first;
  if (!faces) return first;
  first.assign(faces->m_Count + 1, 0);
  for (unsigned int t = 0; t < faces->GetIndexCount(); ++t)
    if (faces->GetIndices()[t] < faces->m_Count) ++first[faces->GetIndices()[t] + 1];
  for (unsigned int f = 0; f < faces->m_Count; ++f) first[f + 1] += first[f];
  return first;
}

// A colour component as a byte: 255 from 1 up, 0 from 0 down (and for NaN).
unsigned int ColorByte(float c) {
  if (c >= 1.0f) return 255;
  if (!(c > 0.0f)) return 0;
  return static_cast<unsigned int>(c * 255.0f + 0.5f);
}

// Skips white space and comments; true when a reference ('{') comes next.
bool ReferenceFollows(XFileStream& stream) {
  stream.SkipSpaceAndComments();
  return stream.Peek() == '{';
}

// Per-corner normals: N values, then per face its normal indices, cut into
// the same fan as the face's vertices.
template <typename I>
MeshAttribute* ReadCornerNormals(XFileStream& stream, MeshContainer* container, unsigned int count) {
  std::unique_ptr<PerTriangleVertexIndexedAttribute<DXVector3, I>> normals(
      new PerTriangleVertexIndexedAttribute<DXVector3, I>(container, count));
  for (unsigned int n = 0; n < count && !stream.Eof(); ++n) normals->GetValues()[n] = MeshLoader::ReadVector(stream);
  std::vector<unsigned int> first = FaceTriangles(container);
  int faces = MeshLoader::ReadInt(stream);
  if (first.empty()) {
    Core::Log()->Error("Face count of MaterialList does not match face count of mesh.");
    return nullptr;
  }
  if (faces != static_cast<int>(first.size() - 1)) {
    Core::Log()->Error("Normal count invalid.");
    return nullptr;
  }
  std::vector<unsigned int> face;
  for (unsigned int f = 0; f + 1 < first.size(); ++f) {
    int k = MeshLoader::ReadInt(stream);
    unsigned int triangles = first[f + 1] - first[f];
    if (!Fits(k, stream, 1) || (triangles > 0 && static_cast<unsigned int>(k) != triangles + 2)) {
      Core::Log()->Error("Normal count invalid.");
      return nullptr;
    }
    face.resize(static_cast<size_t>(k));
    for (unsigned int& index : face) {
      int value = MeshLoader::ReadInt(stream);
      if (value < 0 || static_cast<unsigned int>(value) >= count) {
        Core::Log()->Error("Normal index out of range.");
        return nullptr;
      }
      index = static_cast<unsigned int>(value);
    }
    stream.Get();
    I* corners = normals->GetIndices() + 3 * static_cast<size_t>(first[f]);
    for (unsigned int j = 0; j < triangles; ++j) {
      corners[3 * j] = static_cast<I>(face[0]);
      corners[3 * j + 1] = static_cast<I>(face[j + 1]);
      corners[3 * j + 2] = static_cast<I>(face[j + 2]);
    }
  }
  return normals.release();
}

}  // namespace

void XFileStream::SkipSpaceAndComments() {
  while (!Eof()) {
    char c = m_pData[m_Position];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++m_Position;
    } else if (c == '#' || (c == '/' && m_Position + 1 < m_Size && m_pData[m_Position + 1] == '/')) {
      SkipPast('\n');
    } else {
      return;
    }
  }
}

// Frame [name] { FrameTransformMatrix? (Frame | Mesh | reference)* }
MeshEntity* MeshLoader::ProcessFrame(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Log("ProcessFrame: " + info.m_Name);
  Mesh* mesh = info.m_pMesh;
  if (!mesh) return Fail(stream, "No XMesh!", nullptr);
  MeshFrame* parentFrame = info.m_pFrame;
  MeshFrame* frame = new MeshFrame(mesh, info.m_Name);
  if (parentFrame) {
    frame->SetParent(parentFrame);
    MeshFrame* last = parentFrame->GetFirstChild();
    if (!last) {
      parentFrame->SetFirstChild(frame);
    } else {
      while (last->GetNextSibling()) last = last->GetNextSibling();
      last->SetNextSibling(frame);
    }
  } else if (!mesh->GetFrameRoot()) {
    mesh->SetFrameRoot(frame);
  } else {
    MeshFrame* last = mesh->GetFrameRoot();
    while (last->GetNextSibling()) last = last->GetNextSibling();
    last->SetNextSibling(frame);
  }
  info.m_pFrame = frame;
  ProcessXFile(stream, info, frame);
  info.m_pFrame = parentFrame;
  return frame;
}

// FrameTransformMatrix { 16 floats ;; }
MeshEntity* MeshLoader::ProcessFrameTransformMatrix(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Log("ProcessFrameTransformMatrix");
  DXMatrix matrix = ReadMatrix4x4(stream);
  if (info.m_pFrame) info.m_pFrame->SetTransform(matrix);
  SkipRest(stream);
  return info.m_pFrame;
}

// Material [name] { r;g;b;a;; power; r;g;b;; r;g;b;; TextureFilename? }
MeshEntity* MeshLoader::ProcessMaterial(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Log("ProcessMaterial: " + info.m_Name);
  MeshMaterial* material = new MeshMaterial(info.m_pMesh, info.m_Name);
  ColorRGBA diffuse = ReadColorRGBA(stream);
  material->m_Diffuse[0] = diffuse.r;
  material->m_Diffuse[1] = diffuse.g;
  material->m_Diffuse[2] = diffuse.b;
  material->m_Diffuse[3] = diffuse.a;
  material->m_Power = ReadFloat(stream);
  ColorRGB specular = ReadColorRGB(stream);
  material->m_Specular[0] = specular.r;
  material->m_Specular[1] = specular.g;
  material->m_Specular[2] = specular.b;
  ColorRGB emissive = ReadColorRGB(stream);
  material->m_Emissive[0] = emissive.r;
  material->m_Emissive[1] = emissive.g;
  material->m_Emissive[2] = emissive.b;
  ProcessXFile(stream, info, material);
  return material;
}

// TextureFilename { "file"; }
MeshEntity* MeshLoader::ProcessTextureFilename(XFileStream& stream, MeshLoadInfo&, MeshEntity* parent) {
  StringEX text = ReadString(stream, ';');
  MeshMaterial* material = dynamic_cast<MeshMaterial*>(parent);
  if (!material) return Fail(stream, "No Material.", nullptr);
  size_t open = text.find('"'), close = text.rfind('"');
  if (open == std::string::npos || close == open)
    Core::Log()->Warning("TextureFilename empty.", 4);
  else
    material->m_TextureFilename = text.substr(open + 1, close - open - 1);
  SkipRest(stream);
  return material;
}

// Mesh [name] { V; V x (x;y;z;,) F; F x (k; i0,...,ik-1;,) (MeshNormals |
// MeshTextureCoords | MeshVertexColors | MeshMaterialList |
// XSkinMeshHeader | SkinWeights | VertexDuplicationIndices)* }
MeshEntity* MeshLoader::ProcessMesh(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Log("ProcessMesh: " + info.m_Name);
  MeshFrame* frame = info.m_pFrame;
  if (!frame) return Fail(stream, "No frame to put mesh in.", nullptr);
  StringEX name = info.m_Name;

  // Each vertex takes at least three characters, each face two.
  int vertexCount = ReadInt(stream);
  if (!Fits(vertexCount, stream, 3)) return Fail(stream, "Invalid number of vertices.", nullptr);
  std::vector<DXVector3> points(static_cast<size_t>(vertexCount));
  for (DXVector3& point : points) point = ReadVector(stream);
  int faceCount = ReadInt(stream);
  if (!Fits(faceCount, stream, 2)) return Fail(stream, "Invalid number of faces.", nullptr);

  std::vector<unsigned int> corners, faceSizes(static_cast<size_t>(faceCount));
  size_t triangleCount = 0;
  for (unsigned int& size : faceSizes) {
    int k = ReadInt(stream);
    if (!Fits(k, stream, 1)) return Fail(stream, "Invalid number of faces.", nullptr);
    size = static_cast<unsigned int>(k);
    for (int i = 0; i < k; ++i) {
      int index = ReadInt(stream);
      if (index < 0 || index >= vertexCount) return Fail(stream, "Vertex index out of range.", nullptr);
      corners.push_back(static_cast<unsigned int>(index));
    }
    stream.Get();
    if (k > 2) triangleCount += static_cast<size_t>(k) - 2;
  }
  if (stream.Eof()) return Fail(stream, "Unexpected EOF.", nullptr);
  Core::Log()->WriteLine("Vertices: " + StringEX(vertexCount) + " Faces: " + StringEX(faceCount) +
                             " Triangles: " + StringEX(static_cast<int>(triangleCount)),
                         3);

  std::unique_ptr<MeshContainer> container(
      new MeshContainer(static_cast<unsigned int>(vertexCount), static_cast<unsigned int>(triangleCount)));
  if (!name.empty()) {
    SingleAttribute<StringEX>* nameAttribute = new SingleAttribute<StringEX>(container.get());
    nameAttribute->GetValue() = name;
    container->AddAttribute("NAME", nameAttribute);
  }
  PerVertexAttribute<DXVector3>* positions =
      VertexStream<DXVector3>(container.get(), "POSITION", DXGI_FORMAT_R32G32B32_FLOAT);
  std::copy(points.begin(), points.end(), positions->GetData());
  container->AddAttribute("POSITION", positions);

  // Faces are cut into fans: (i0, i1, i2), (i0, i2, i3) ...
  IndexAttribute* indices = new IndexAttribute(container.get());
  FaceIndexAttribute* faceIndex = new FaceIndexAttribute(container.get(), static_cast<unsigned int>(faceCount));
  const unsigned int* corner = corners.data();
  for (unsigned int f = 0, t = 0; f < faceSizes.size(); ++f) {
    unsigned int k = faceSizes[f];
    faceIndex->GetValues()[f] = static_cast<unsigned char>(k - 2);
    for (unsigned int j = 2; j < k; ++j, ++t) {
      (*indices)[t] = {{corner[0], corner[j - 1], corner[j]}};
      faceIndex->GetIndices()[t] = f;
    }
    corner += k;
  }
  container->SetIndices(indices);
  container->AddAttribute("FACEINDEX", faceIndex);

  MeshContainer* outer = info.m_pContainer;
  info.m_pContainer = container.get();
  while (ProcessTemplate(stream, info, frame)) {
  }
  CloseList(stream);
  info.m_pContainer = outer;

  if (!container->GetAttribute("NORMALS")) container->ComputeCreaseNormals(0.3f, 0, true, false);
  Core::Log()->WriteLine("Create DeviceMesh", 0);
  // A block inside the mesh may have taken the mesh's name since it was
  // given; replacing that entity would destroy it while it is in use.
  while (info.m_pMesh->HasEntity(name)) name += "_Dup";
  MeshGeometry* geometry = new MeshGeometry(info.m_pMesh, name);
  geometry->SetMeshContainer(container.get());
  frame->AddGeometry(geometry);
  return nullptr;
}

// MeshNormals { N; N x (x;y;z;,) F; F x (k; n0,...,nk-1;,) }
MeshEntity* MeshLoader::ProcessMeshNormals(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessMeshNormals");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  int count = ReadInt(stream);
  if (!Fits(count, stream, 3)) return Fail(stream, "Normal count invalid.", parent);
  const unsigned int n = static_cast<unsigned int>(count);
  MeshAttribute* normals;
  if (n == container->GetVertexCount()) {
    PerVertexAttribute<DXVector3>* perVertex = new PerVertexAttribute<DXVector3>(container);
    for (unsigned int i = 0; i < n; ++i) (*perVertex)[i] = ReadVector(stream);
    normals = perVertex;
  } else if (n == container->GetTriangleCount()) {
    PerTriangleAttribute<DXVector3>* perTriangle = new PerTriangleAttribute<DXVector3>(container);
    for (unsigned int i = 0; i < n; ++i) (*perTriangle)[i] = ReadVector(stream);
    normals = perTriangle;
  } else if (n < 0xFFFF) {
    normals = ReadCornerNormals<unsigned short>(stream, container, n);
  } else {
    normals = ReadCornerNormals<unsigned int>(stream, container, n);
  }
  if (normals) {
    normals->m_Semantic = "NORMAL";
    normals->m_SemanticIndex = 0;
    normals->m_Format = DXGI_FORMAT_R32G32B32_FLOAT;
    container->AddAttribute("NORMALS", normals);
  }
  SkipRest(stream);
  return parent;
}

// MeshTextureCoords { n; n x (u;v;,) }
MeshEntity* MeshLoader::ProcessMeshTextureCoords(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessMeshTextureCoords");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  int count = ReadInt(stream);
  if (count < 0 || static_cast<unsigned int>(count) != container->GetVertexCount())
    return Fail(stream, "Invalid number of texture coordinates.", parent);
  PerVertexAttribute<DXVector2>* coords = VertexStream<DXVector2>(container, "TEXCOORD", DXGI_FORMAT_R32G32_FLOAT);
  for (int i = 0; i < count && !stream.Eof(); ++i) (*coords)[i] = ReadCoord2D(stream);
  container->AddAttribute("DIFFUSECOORD", coords);
  SkipRest(stream);
  return parent;
}

// MeshVertexColors { n; n x (index; r;g;b;a;;,) }, packed as A R G B bytes.
MeshEntity* MeshLoader::ProcessMeshVertexColors(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessMeshVertexColors");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  int count = ReadInt(stream);
  if (count < 0 || static_cast<unsigned int>(count) != container->GetVertexCount())
    return Fail(stream, "Invalid number of vertex colors.", parent);
  PerVertexAttribute<unsigned int>* colors =
      VertexStream<unsigned int>(container, "COLOR", DXGI_FORMAT_R8G8B8A8_UNORM);
  for (int i = 0; i < count && !stream.Eof(); ++i) {
    ReadInt(stream);  // the entries fill the vertices in file order
    float r = ReadFloat(stream), g = ReadFloat(stream), b = ReadFloat(stream), a = ReadFloat(stream);
    stream.Get();
    stream.Get();
    (*colors)[i] = ColorByte(a) << 24 | ColorByte(r) << 16 | ColorByte(g) << 8 | ColorByte(b);
  }
  container->AddAttribute("COLORS", colors);
  SkipRest(stream);
  return parent;
}

// MeshMaterialList { M; F; F x material;; M x (Material | reference) }
MeshEntity* MeshLoader::ProcessMeshMaterialList(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessMeshMaterialList");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  int materialCount = ReadInt(stream);
  int faceCount = ReadInt(stream);
  if (materialCount == 0)
    return Fail(stream, "MeshLoader::ProcessMeshMaterialList: MaterialList with 0 materials -> ignoring block", parent);
  // Triangles name their material in 16 bits; each slot takes at least
  // three characters ("{a}").
  if (materialCount > 0x10000 || !Fits(materialCount, stream, 3))
    return Fail(stream, "Invalid number of materials.", parent);
  std::vector<unsigned int> first = FaceTriangles(container);
  if (first.empty()) return Fail(stream, "No face index or invalid format.", parent);
  if (faceCount != static_cast<int>(first.size() - 1))
    return Fail(stream, "Face count of MaterialList does not match face count of mesh.", parent);

  std::unique_ptr<MaterialAttribute> materials(new MaterialAttribute(container, static_cast<unsigned int>(materialCount)));
  for (int f = 0; f < faceCount; ++f) {
    int number = ReadInt(stream);
    if (number < 0 || number >= materialCount) return Fail(stream, "Material number out of range.", parent);
    for (unsigned int t = first[f]; t < first[f + 1]; ++t) materials->GetIndices()[t] = static_cast<unsigned short>(number);
  }
  stream.Get();
  for (int m = 0; m < materialCount && !stream.Eof(); ++m) {
    bool reference = ReferenceFollows(stream);
    MeshEntity* entity = ProcessTemplate(stream, info, nullptr);
    MeshMaterial* material = dynamic_cast<MeshMaterial*>(entity);
    // A reference to something else gives back the count it took.
    if (!material && reference && entity) entity->DecRefCount();
    // An inline block other than a material belongs where it was created.
    materials->GetValues()[m] = material;
  }
  container->AddAttribute("MATERIALS", materials.release());
  SkipRest(stream);
  return parent;
}

MeshEntity* MeshLoader::ProcessVertexDuplicationIndices(XFileStream& stream, MeshLoadInfo&, MeshEntity* parent) {
  Log("ProcessVertexDuplicationIndices");
  SkipRest(stream);
  return parent;
}

// XSkinMeshHeader { maxPerVertex; maxPerFace; bones; }
MeshEntity* MeshLoader::ProcessXSkinMeshHeader(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessXSkinMeshHeader");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  int perVertex = ReadInt(stream);
  ReadInt(stream);  // the per-face maximum is not used
  ReadInt(stream);  // the bone list grows with each SkinWeights block
  SingleAttribute<SkinInfo>* skin = new SingleAttribute<SkinInfo>(container);
  skin->GetValue().m_MaxWeightsPerVertex = static_cast<unsigned char>(perVertex);
  container->AddAttribute("SKININFO", skin);
  container->AddAttribute("BONEINDEXCOUNT", new PerVertexAttribute<unsigned char>(container));
  container->AddAttribute("BONEINDICES",
                          VertexStream<unsigned int>(container, "BONEINDICES", DXGI_FORMAT_R8G8B8A8_UINT));
  container->AddAttribute("SKINWEIGHTS",
                          VertexStream<DXVector4>(container, "SKINWEIGHTS", DXGI_FORMAT_R32G32B32A32_FLOAT));
  SkipRest(stream);
  return parent;
}

// SkinWeights { "frame"; n; n x index; n x weight; offset matrix;; }
MeshEntity* MeshLoader::ProcessSkinWeights(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessSkinWeights");
  MeshContainer* container = MeshOf(stream, info);
  if (!container) return parent;
  auto* skin = dynamic_cast<SingleAttribute<SkinInfo>*>(container->GetAttribute("SKININFO"));
  auto* counts = dynamic_cast<PerVertexAttribute<unsigned char>*>(container->GetAttribute("BONEINDEXCOUNT"));
  auto* bones = dynamic_cast<PerVertexAttribute<unsigned int>*>(container->GetAttribute("BONEINDICES"));
  auto* weights = dynamic_cast<PerVertexAttribute<DXVector4>*>(container->GetAttribute("SKINWEIGHTS"));
  if (!skin || !counts || !bones || !weights)
    return Fail(stream, "MeshLoader::ProcessSkinWeights: Mesh has no SkinInfo", parent);

  StringEX text = ReadString(stream, ';');
  size_t open = text.find('"'), close = text.rfind('"');
  StringEX frameName = open == std::string::npos || close == open ? StringEX() : StringEX(text.substr(open + 1, close - open - 1));
  // Bone numbers are bytes in the vertex data.
  unsigned int bone = static_cast<unsigned int>(skin->GetValue().m_BoneNames.size());
  if (bone > 0xFF) return Fail(stream, "Too many bones.", parent);

  int count = ReadInt(stream);
  if (!Fits(count, stream, 2)) return Fail(stream, "Invalid number of skin weights.", parent);
  std::vector<unsigned int> vertices(static_cast<size_t>(count));
  for (unsigned int& vertex : vertices) {
    int index = ReadInt(stream);
    if (index < 0 || static_cast<unsigned int>(index) >= container->GetVertexCount())
      return Fail(stream, "Vertex index out of range.", parent);
    vertex = static_cast<unsigned int>(index);
  }
  for (unsigned int vertex : vertices) {
    float weight = ReadFloat(stream);
    unsigned int slot = (*counts)[vertex];
    if (slot < 4) {
      (*bones)[vertex] |= bone << (8 * slot);
      (&(*weights)[vertex].x)[slot] = weight;
    }
    if ((*counts)[vertex] < 0xFF) ++(*counts)[vertex];
  }
  DXMatrix offset = ReadMatrix4x4(stream);
  skin->GetValue().m_BoneNames.push_back(frameName);
  skin->GetValue().m_BoneOffsets.push_back(offset);
  SkipRest(stream);
  return parent;
}

// AnimationSet [name] { Animation* }
MeshEntity* MeshLoader::ProcessAnimationSet(XFileStream& stream, MeshLoadInfo& info, MeshEntity*) {
  Log("ProcessAnimationSet: " + info.m_Name);
  AnimationSet* set = new AnimationSet(info.m_pMesh, info.m_Name);
  AnimationSet* outer = info.m_pAnimationSet;
  info.m_pAnimationSet = set;
  ProcessXFile(stream, info, set);
  info.m_pAnimationSet = outer;
  return set;
}

// Animation [name] { reference AnimationOptions? AnimationKey* }
MeshEntity* MeshLoader::ProcessAnimation(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessAnimation");
  if (!info.m_pAnimationSet) return Fail(stream, "No animation set.", parent);
  Animation* animation = new Animation(info.m_pMesh, info.m_Name);
  Animation* outer = info.m_pAnimation;
  info.m_pAnimation = animation;
  for (;;) {
    bool reference = ReferenceFollows(stream);
    MeshEntity* entity = ProcessTemplate(stream, info, animation);
    if (!entity) break;
    MeshFrame* frame = dynamic_cast<MeshFrame*>(entity);
    if (!reference) {
      // A frame block written inside the animation stays in the hierarchy;
      // the animation takes a reference of its own.
      if (frame) {
        frame->IncRefCount();
        animation->SetFrame(frame);
      }
    } else if (frame) {
      animation->SetFrame(frame);
    } else {
      entity->DecRefCount();
    }
  }
  info.m_pAnimationSet->AddAnimation(animation);
  info.m_pAnimation = outer;
  SkipRest(stream);
  return animation;
}

// AnimationKey { type; K; K x (time; c; c floats;;,) }
MeshEntity* MeshLoader::ProcessAnimationKey(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessAnimationKey");
  if (!info.m_pAnimation) return Fail(stream, "No animation.", parent);
  int type = ReadInt(stream);
  int count = ReadInt(stream);
  unsigned int floats = AnimationKey::FloatsPerKey(static_cast<unsigned int>(type));
  if (type < 0 || floats == 0) return Fail(stream, "Invalid animation key type.", parent);
  // A key takes at least four characters ("t;c;" and its two closing ones).
  if (!Fits(count, stream, 4)) return Fail(stream, "Invalid number of animation keys.", parent);

  std::unique_ptr<unsigned int[]> times(new unsigned int[static_cast<size_t>(count)]());
  std::unique_ptr<float[]> data(new float[static_cast<size_t>(count) * floats]());
  unsigned int read = 0;
  for (; read < static_cast<unsigned int>(count) && !stream.Eof(); ++read) {
    times[read] = static_cast<unsigned int>(ReadInt(stream));
    int values = ReadInt(stream);
    float* value = data.get() + static_cast<size_t>(read) * floats;
    if (type == AKT_ROTATION && values == 4) {
      // Stored w, x, y, z in the file, x, y, z, w in memory.
      value[3] = ReadFloat(stream);
      value[0] = ReadFloat(stream);
      value[1] = ReadFloat(stream);
      value[2] = ReadFloat(stream);
    } else {
      for (int v = 0; v < values && !stream.Eof(); ++v) {
        float f = ReadFloat(stream);
        if (static_cast<unsigned int>(v) < floats)
          value[v] = f;
        else
          Core::Log()->Error("Invalid anaimation data.");
      }
    }
    stream.Get();
    stream.Get();
  }

  AnimationKey* key;
  switch (type) {
    case AKT_ROTATION: key = new RotationAnimationKey(info.m_pMesh, info.m_Name); break;
    case AKT_SCALING: key = new ScalingAnimationKey(info.m_pMesh, info.m_Name); break;
    case AKT_TRANSLATION: key = new TranslationAnimationKey(info.m_pMesh, info.m_Name); break;
    default: key = new MatrixAnimationKey(info.m_pMesh, info.m_Name); break;
  }
  key->SetKeys(read, times.release(), data.release());
  SkipRest(stream);
  Animation* animation = info.m_pAnimation;
  unsigned int tracks = animation->GetKeyCount();
  animation->AddAnimationKey(key);
  // A refused track is still ours to release.
  if (animation->GetKeyCount() == tracks) {
    key->Release();
    return parent;
  }
  return key;
}

// AnimationOptions { openClosed; positionQuality; }
MeshEntity* MeshLoader::ProcessAnimationOptions(XFileStream& stream, MeshLoadInfo& info, MeshEntity* parent) {
  Log("ProcessAnimationOptions");
  if (!info.m_pAnimation) return Fail(stream, "No animation.", parent);
  int open = ReadInt(stream);
  int quality = ReadInt(stream);
  info.m_pAnimation->SetOptions(open == 0, static_cast<PositionQuality>(quality));
  SkipRest(stream);
  return parent;
}
