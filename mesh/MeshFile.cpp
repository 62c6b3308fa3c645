// The binary mesh file: a 32-byte header (format byte 13, the source's
// modification time and size, the material and animation-set counts), the
// material records, the frame hierarchy depth first (a frame, its first
// child's record, its next sibling's record; 0xFF1337FF where there is none)
// with each frame's geometries and their device-mesh records, then the
// animation-set records. Little-endian, no padding; strings are a u32 byte
// count and the bytes.
#include <morvane/Mesh.h>

#include <stat64.h>

#include <cstring>
#include <memory>
#include <unordered_set>
#include <utility>

#include <morvane/Animation.h>
#include <morvane/AnimationKey.h>
#include <morvane/Core.h>
#include <morvane/DeviceMesh.h>
#include <morvane/MeshFrame.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshMaterial.h>
#include <morvane/SkinInfo.h>

#include "RecordReader.h"
#include "RecordWriter.h"

namespace {

const unsigned int kNoFrame = 0xFF1337FF;
const unsigned int kFrame = 0xC010A1EE;
const unsigned int kHeaderSize = 32;

void PutMatrix(FILE* file, const DXMatrix& matrix) { std::fwrite(&matrix._11, sizeof(float), 16, file); }

void PutMaterial(FILE* file, const MeshMaterial* material) {
  PutString(file, material->GetName());
  std::fwrite(material->m_Diffuse, sizeof(float), 4, file);
  Put(file, material->m_Power);
  std::fwrite(material->m_Specular, sizeof(float), 3, file);
  std::fwrite(material->m_Emissive, sizeof(float), 3, file);
  PutString(file, material->m_TextureFilename);
  PutString(file, material->m_TextureFilename2);
}

void PutGeometry(FILE* file, const MeshGeometry* geometry, GraphicsDevice* device) {
  PutString(file, geometry->GetName());
  if (geometry->GetGeometry()) {
    geometry->GetGeometry()->Write(file);
  } else {
    DeviceMesh(device).Write(file);
  }
  Put(file, geometry->GetMaterialCount());
  for (unsigned int i = 0; i < geometry->GetMaterialCount(); ++i) {
    const MeshMaterial* material = geometry->GetMaterial(i);
    PutString(file, material ? material->GetName() : StringEX());
  }
  const SkinInfo* skin = geometry->GetSkinInfo();
  Put(file, static_cast<unsigned char>(skin ? 1 : 0));
  if (!skin) return;
  // The bone count is a byte; the loader keeps skins within it.
  size_t bones = std::min<size_t>(skin->m_BoneNames.size(), 255);
  Put(file, skin->m_MaxWeightsPerVertex);
  Put(file, static_cast<unsigned char>(bones));
  for (size_t b = 0; b < bones; ++b) PutString(file, skin->m_BoneNames[b]);
  for (size_t b = 0; b < bones; ++b) {
    DXMatrix offset;
    if (b < skin->m_BoneOffsets.size())
      offset = skin->m_BoneOffsets[b];
    else
      D3DXMatrixIdentity(&offset);
    PutMatrix(file, offset);
  }
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
typedef std::unique_ptr<FILE, FileCloser> FilePtr;

}  // namespace

// The binary mesh file adds matrices and entity names to the record reader.
class MeshFileReader : public RecordReader {
 public:
  using RecordReader::RecordReader;

  bool Matrix(DXMatrix& out) { return Bytes(&out._11, 16 * sizeof(float)); }
  // A name for a new entity: one already registered means a damaged file,
  // since replacing it would destroy an entity the model still uses.
  bool NewName(const Mesh& mesh, StringEX& out) { return String(out) && (!mesh.HasEntity(out) || Fail()); }
};

void Mesh::SaveBinary(const StringEX& path) const {
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) != 0) return;
  // The header counts materials and animation sets in 16 bits; a model with
  // more is not cached rather than cached wrongly, and is parsed every time.
  if (m_Materials.size() > 0xFFFF || m_AnimationSets.size() > 0xFFFF) {
    Core::Log()->Warning("Mesh cache not written: more than 65535 materials or animation sets.", 3);
    return;
  }
  FilePtr file(std::fopen((path + ".bin").c_str(), "wb"));
  if (!file) return;
  std::setvbuf(file.get(), nullptr, _IOFBF, 1 << 16);

  unsigned char header[kHeaderSize] = {};
  header[0] = kFileFormat;
  long long time = status.st_mtime, size = status.st_size;
  unsigned short materials = static_cast<unsigned short>(m_Materials.size());
  unsigned short sets = static_cast<unsigned short>(m_AnimationSets.size());
  std::memcpy(header + 8, &time, 8);
  std::memcpy(header + 16, &size, 8);
  std::memcpy(header + 24, &materials, 2);
  std::memcpy(header + 26, &sets, 2);
  std::fwrite(header, 1, kHeaderSize, file.get());

  for (const MeshMaterial* material : m_Materials) PutMaterial(file.get(), material);
  WriteFrames(file.get());
  for (const AnimationSet* set : m_AnimationSets) WriteAnimationSet(file.get(), set);
}

void Mesh::WriteFrames(FILE* file) const {
  // Depth first without recursion: sibling chains can be as long as the
  // model is large. A frame linked twice is written once.
  std::vector<const MeshFrame*> pending(1, m_pFrameRoot);
  std::unordered_set<const MeshFrame*> seen;
  while (!pending.empty()) {
    const MeshFrame* frame = pending.back();
    pending.pop_back();
    if (!frame || !seen.insert(frame).second) {
      Put(file, kNoFrame);
      continue;
    }
    Put(file, kFrame);
    PutString(file, frame->GetName());
    PutMatrix(file, frame->GetTransform());
    Put(file, frame->GetGeometryCount());
    for (unsigned int g = 0; g < frame->GetGeometryCount(); ++g) PutGeometry(file, frame->GetGeometry(g), m_pDevice);
    pending.push_back(frame->GetNextSibling());
    pending.push_back(frame->GetFirstChild());
  }
}

void Mesh::WriteAnimationSet(FILE* file, const AnimationSet* set) const {
  PutString(file, set->GetName());
  Put(file, set->GetAnimationCount());
  for (unsigned int a = 0; a < set->GetAnimationCount(); ++a) {
    const Animation* animation = set->GetAnimation(a);
    PutString(file, animation->GetName());
    // An animation without a frame stores an empty name, which reads back as
    // no frame.
    PutString(file, animation->GetFrame() ? animation->GetFrame()->GetName() : StringEX());
    Put(file, static_cast<unsigned char>(animation->IsClosed() ? 1 : 0));
    Put(file, static_cast<unsigned int>(animation->GetPositionQuality()));
    Put(file, animation->GetKeyCount());
    for (unsigned int k = 0; k < animation->GetKeyCount(); ++k) {
      const AnimationKey* key = animation->GetAnimationKey(k);
      PutString(file, key->GetName());
      Put(file, static_cast<unsigned int>(key->GetKeyType()));
      Put(file, key->GetKeyCount());
      std::fwrite(key->GetTimes(), sizeof(unsigned int), key->GetKeyCount(), file);
      std::fwrite(key->GetData(), sizeof(float) * key->FloatsPerKey(), key->GetKeyCount(), file);
    }
  }
}

bool Mesh::OpenBinary(const StringEX& path) {
  const StringEX cachePath = path + ".bin";
  FilePtr file(std::fopen(cachePath.c_str(), "rb"));
  if (!file) return false;

  unsigned char header[kHeaderSize];
  if (std::fread(header, 1, kHeaderSize, file.get()) != kHeaderSize || header[0] != kFileFormat) return false;
  long long time, size;
  unsigned short materials, sets;
  std::memcpy(&time, header + 8, 8);
  std::memcpy(&size, header + 16, 8);
  std::memcpy(&materials, header + 24, 2);
  std::memcpy(&sets, header + 26, 2);
  // A source that cannot be queried (gone) leaves the cache usable.
  struct _stat64 status;
  if (_stat64(path.c_str(), &status) == 0 && (status.st_mtime != time || status.st_size != size)) return false;

  Cleanup();
  SetPathDir(path);
  MeshFileReader in(file.get());
  for (unsigned int m = 0; in.Ok() && m < materials; ++m) ReadMaterial(in);
  if (in.Ok()) ReadFrames(in);
  for (unsigned int s = 0; in.Ok() && s < sets; ++s) ReadAnimationSet(in);
  if (in.Ok()) return true;

  // Half a model is worse than none: the caller parses the source instead.
  Core::Log()->Error("Mesh cache damaged: \"" + cachePath + "\"");
  Cleanup();
  return false;
}

bool Mesh::ReadMaterial(MeshFileReader& in) {
  StringEX name;
  float values[11];
  StringEX texture, texture2;
  if (!in.NewName(*this, name) || !in.Bytes(values, sizeof(values)) || !in.String(texture) || !in.String(texture2))
    return false;
  MeshMaterial* material = new MeshMaterial(this, name);
  std::memcpy(material->m_Diffuse, values, 4 * sizeof(float));
  material->m_Power = values[4];
  std::memcpy(material->m_Specular, values + 5, 3 * sizeof(float));
  std::memcpy(material->m_Emissive, values + 8, 3 * sizeof(float));
  material->m_TextureFilename = texture;
  material->m_TextureFilename2 = texture2;
  return true;
}

bool Mesh::ReadFrames(MeshFileReader& in) {
  // Each pending slot is where the next record's frame goes: the root, or a
  // frame's first-child or next-sibling link. Records nest without recursion.
  struct Slot {
    MeshFrame* owner;  // null for the root
    bool child;
  };
  std::vector<Slot> pending(1, Slot{nullptr, false});
  while (in.Ok() && !pending.empty()) {
    Slot slot = pending.back();
    pending.pop_back();
    unsigned int marker = 0;
    if (!in.Value(marker)) return false;
    if (marker == kNoFrame) continue;
    if (marker != kFrame) return in.Fail();

    StringEX name;
    DXMatrix transform;
    unsigned int geometries = 0;
    if (!in.NewName(*this, name) || !in.Matrix(transform) || !in.Value(geometries)) return false;
    MeshFrame* frame = new MeshFrame(this, name);
    frame->SetTransform(transform);
    if (!slot.owner)
      SetFrameRoot(frame);
    else if (slot.child)
      slot.owner->SetFirstChild(frame);
    else
      slot.owner->SetNextSibling(frame);
    for (unsigned int g = 0; g < geometries; ++g)
      if (!ReadGeometry(in, frame)) return false;
    pending.push_back(Slot{frame, false});
    pending.push_back(Slot{frame, true});
  }
  return in.Ok();
}

bool Mesh::ReadGeometry(MeshFileReader& in, MeshFrame* frame) {
  StringEX name;
  if (!in.NewName(*this, name)) return false;
  std::unique_ptr<DeviceMesh> deviceMesh(new DeviceMesh(m_pDevice));
  if (!deviceMesh->Read(in.File())) return in.Fail();
  in.Resync();

  // Each slot name takes at least its four-byte length.
  unsigned int count = 0;
  if (!in.Value(count) || count > in.Remaining() / 4) return in.Fail();
  std::unique_ptr<MeshMaterial*[]> materials(new MeshMaterial*[count]());
  // The references taken so far go back if the record turns out damaged.
  auto dropMaterials = [&]() {
    for (unsigned int i = 0; i < count; ++i)
      if (materials[i]) materials[i]->Release();
    return in.Fail();
  };
  for (unsigned int i = 0; i < count; ++i) {
    StringEX materialName;
    if (!in.String(materialName)) return dropMaterials();
    // An empty name is a slot without a material, not a missing one.
    if (materialName.empty()) continue;
    materials[i] = dynamic_cast<MeshMaterial*>(GetEntity(materialName));
    if (materials[i]) materials[i]->IncRefCount();
  }

  unsigned char hasSkin = 0;
  std::unique_ptr<SkinInfo> skin;
  if (!in.Value(hasSkin) || hasSkin > 1) return dropMaterials();
  if (hasSkin) {
    skin.reset(new SkinInfo());
    unsigned char bones = 0;
    if (!in.Value(skin->m_MaxWeightsPerVertex) || !in.Value(bones)) return dropMaterials();
    skin->m_BoneNames.resize(bones);
    skin->m_BoneOffsets.resize(bones);
    for (unsigned int b = 0; b < bones; ++b)
      if (!in.String(skin->m_BoneNames[b])) return dropMaterials();
    for (unsigned int b = 0; b < bones; ++b)
      if (!in.Matrix(skin->m_BoneOffsets[b])) return dropMaterials();
  }

  MeshGeometry* geometry = new MeshGeometry(this, name);
  geometry->SetGeometry(deviceMesh.release(), materials.release(), count, skin.release());
  frame->AddGeometry(geometry);
  return true;
}

bool Mesh::ReadAnimationSet(MeshFileReader& in) {
  StringEX setName;
  unsigned int animations = 0;
  if (!in.NewName(*this, setName) || !in.Value(animations)) return false;
  AnimationSet* set = new AnimationSet(this, setName);
  for (unsigned int a = 0; a < animations; ++a) {
    StringEX name, frameName;
    unsigned char closed = 0;
    unsigned int quality = 0, tracks = 0;
    if (!in.NewName(*this, name) || !in.String(frameName) || !in.Value(closed) || !in.Value(quality) ||
        !in.Value(tracks))
      return false;
    Animation* animation = new Animation(this, name);
    if (!frameName.empty()) {
      if (MeshFrame* frame = dynamic_cast<MeshFrame*>(GetEntity(frameName))) {
        frame->IncRefCount();
        animation->SetFrame(frame);
      }
    }
    animation->SetOptions(closed != 0, static_cast<PositionQuality>(quality));

    for (unsigned int k = 0; k < tracks; ++k) {
      StringEX keyName;
      unsigned int type = 0, count = 0;
      if (!in.NewName(*this, keyName) || !in.Value(type)) return false;
      unsigned int floats = AnimationKey::FloatsPerKey(type);
      if (floats == 0) {
        Core::Log()->Error("Fatal Error");
        return in.Fail();
      }
      unsigned long long keyBytes = 4ull + 4ull * floats;
      if (!in.Value(count) || count > in.Remaining() / keyBytes) return in.Fail();
      std::unique_ptr<unsigned int[]> times(new unsigned int[count]);
      std::unique_ptr<float[]> data(new float[static_cast<size_t>(count) * floats]);
      if (!in.Bytes(times.get(), 4ull * count) || !in.Bytes(data.get(), 4ull * floats * count)) return false;
      AnimationKey* key;
      switch (type) {
        case AKT_ROTATION: key = new RotationAnimationKey(this, keyName); break;
        case AKT_SCALING: key = new ScalingAnimationKey(this, keyName); break;
        case AKT_TRANSLATION: key = new TranslationAnimationKey(this, keyName); break;
        default: key = new MatrixAnimationKey(this, keyName); break;
      }
      key->SetKeys(count, times.release(), data.release());
      animation->AddAnimationKey(key);
    }
    // Added once its tracks are in, so that the set's max time counts them.
    set->AddAnimation(animation);
  }
  return true;
}
