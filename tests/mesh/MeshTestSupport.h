// What the mesh-resource and .x loader tests share: a mesh the tests can
// construct, models copied into a temporary directory, and a text picture of
// a whole model to compare a parsed mesh with one read from its cache.
#pragma once

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include <morvane/Animation.h>
#include <morvane/AnimationKey.h>
#include <morvane/DeviceMesh.h>
#include <morvane/Mesh.h>
#include <morvane/MeshFrame.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshMaterial.h>

#include "TempDir.h"

class TestMesh : public Mesh {
 public:
  TestMesh(GraphicsDevice* device, const StringEX& path) : Mesh(device, path) {}
  using Mesh::SetFrameRoot;
};

struct MeshReleaser {
  void operator()(Mesh* mesh) const { mesh->Release(); }
};
typedef std::unique_ptr<Mesh, MeshReleaser> MeshPtr;

// The bytes a device mesh writes as its record.
inline std::string DeviceMeshRecord(const DeviceMesh& mesh) {
  FILE* file = std::tmpfile();
  mesh.Write(file);
  std::string bytes(static_cast<size_t>(std::ftell(file)), '\0');
  std::rewind(file);
  size_t read = std::fread(&bytes[0], 1, bytes.size(), file);
  std::fclose(file);
  bytes.resize(read);
  return bytes;
}

// Everything a model holds, as text: frames depth first with their links,
// transforms and geometries (device-mesh records, material names, skins),
// materials, and animation sets with their key data. Parent links are left
// out: a model read from its cache has none.
inline std::string Describe(const Mesh& mesh) {
  std::ostringstream out;
  auto matrix = [&](const DXMatrix& m) {
    for (int i = 0; i < 16; ++i) out << (&m._11)[i] << ' ';
  };
  auto name = [](const MeshEntity* entity) { return entity ? std::string(entity->GetName()) : std::string("-"); };
  std::vector<const MeshFrame*> pending(1, mesh.GetFrameRoot());
  while (!pending.empty()) {
    const MeshFrame* frame = pending.back();
    pending.pop_back();
    if (!frame) continue;
    out << "frame " << name(frame) << " child " << name(frame->GetFirstChild()) << " next "
        << name(frame->GetNextSibling()) << " transform ";
    matrix(frame->GetTransform());
    out << '\n';
    for (unsigned int g = 0; g < frame->GetGeometryCount(); ++g) {
      const MeshGeometry* geometry = frame->GetGeometry(g);
      out << " geometry " << name(geometry) << " record " << std::hash<std::string>()(DeviceMeshRecord(*geometry->GetGeometry()))
          << " materials";
      for (unsigned int m = 0; m < geometry->GetMaterialCount(); ++m) out << ' ' << name(geometry->GetMaterial(m));
      if (const SkinInfo* skin = geometry->GetSkinInfo()) {
        out << " skin " << int(skin->m_MaxWeightsPerVertex);
        for (const StringEX& bone : skin->m_BoneNames) out << ' ' << bone;
        for (const DXMatrix& offset : skin->m_BoneOffsets) matrix(offset);
      }
      out << '\n';
    }
    pending.push_back(frame->GetNextSibling());
    pending.push_back(frame->GetFirstChild());
  }
  for (unsigned int m = 0; m < mesh.GetMaterialCount(); ++m) {
    const MeshMaterial* material = mesh.GetMaterial(m);
    out << "material " << name(material);
    for (float v : material->m_Diffuse) out << ' ' << v;
    out << ' ' << material->m_Power;
    for (float v : material->m_Specular) out << ' ' << v;
    for (float v : material->m_Emissive) out << ' ' << v;
    out << " \"" << material->m_TextureFilename << "\" \"" << material->m_TextureFilename2 << "\"\n";
  }
  for (unsigned int s = 0; s < mesh.GetAnimationSetCount(); ++s) {
    const AnimationSet* set = mesh.GetAnimationSet(s);
    out << "set " << name(set) << ' ' << set->GetMaxTime() << '\n';
    for (unsigned int a = 0; a < set->GetAnimationCount(); ++a) {
      const Animation* animation = set->GetAnimation(a);
      out << " animation " << name(animation) << " frame " << name(animation->GetFrame()) << ' '
          << animation->IsClosed() << ' ' << animation->GetPositionQuality() << ' ' << animation->GetMaxTime() << '\n';
      for (unsigned int k = 0; k < animation->GetKeyCount(); ++k) {
        const AnimationKey* key = animation->GetAnimationKey(k);
        out << "  key " << name(key) << ' ' << key->GetKeyType() << ' ' << key->GetKeyCount() << ':';
        for (unsigned int i = 0; i < key->GetKeyCount(); ++i) out << ' ' << key->GetTimes()[i];
        for (unsigned int i = 0; i < key->GetKeyCount() * key->FloatsPerKey(); ++i) out << ' ' << key->GetData()[i];
        out << '\n';
      }
    }
  }
  return out.str();
}
