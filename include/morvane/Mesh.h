// Mesh: the resource a loaded model becomes. It registers every entity of the
// model by name (the registry is the final owner of every entity still
// registered when the mesh is cleaned up), holds the root of the frame
// hierarchy and lists its materials, geometries, frames and animation sets in
// creation order (the lists hold no references). A mesh can store itself in
// a binary cache beside its source file ("<source>.bin") and be restored
// from it while the source's size and modification time are unchanged.
#pragma once

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "SharedObject.h"
#include "StringEX.h"

class AnimationSet;
class GraphicsDevice;
class MeshEntity;
class MeshFileReader;
class MeshFrame;
class MeshGeometry;
class MeshMaterial;

class Mesh : public Resource {
 public:
  // The format byte at the start of every cache file.
  static const unsigned char kFileFormat = 13;

  ~Mesh() override;
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Tears the hierarchy down, releases the animation sets, then destroys
  // every entity still registered; the mesh is empty afterwards.
  void Cleanup();

  const StringEX& GetPathDir() const { return m_PathDir; }
  GraphicsDevice* GetDevice() const { return m_pDevice; }

  // The entity registered under name; a missing name logs a warning.
  MeshEntity* GetEntity(const StringEX& name) const;
  // Whether name is registered, without a message.
  bool HasEntity(const StringEX& name) const;

  MeshFrame* GetFrameRoot() const { return m_pFrameRoot; }
  // Indices are not checked.
  unsigned int GetAnimationSetCount() const { return static_cast<unsigned int>(m_AnimationSets.size()); }
  AnimationSet* GetAnimationSet(unsigned int index) const { return m_AnimationSets[index]; }
  unsigned int GetMaterialCount() const { return static_cast<unsigned int>(m_Materials.size()); }
  MeshMaterial* GetMaterial(unsigned int index) const { return m_Materials[index]; }
  unsigned int GetGeometryCount() const { return static_cast<unsigned int>(m_Geometries.size()); }
  MeshGeometry* GetGeometry(unsigned int index) const { return m_Geometries[index]; }
  unsigned int GetFrameCount() const { return static_cast<unsigned int>(m_Frames.size()); }
  MeshFrame* GetFrame(unsigned int index) const { return m_Frames[index]; }

  // Writes path + ".bin"; nothing when the source cannot be queried, the
  // file cannot be created or the counts do not fit the file's header.
  void SaveBinary(const StringEX& path) const;
  // Restores the mesh from path + ".bin": false, with the mesh left empty,
  // when the cache is missing, stale (source size or time changed) or damaged.
  bool OpenBinary(const StringEX& path);

 protected:
  friend class MeshEntity;
  friend class MeshFrame;
  friend class MeshGeometry;
  friend class MeshMaterial;
  friend class AnimationSet;
  friend class MeshLoader;

  Mesh(GraphicsDevice* device, const StringEX& path);

  // Directory part of path up to its last separator ('\\' or '/'), included.
  void SetPathDir(const StringEX& path);
  void SetFrameRoot(MeshFrame* root) { m_pFrameRoot = root; }

  // Registers entity under its name; an entity registered there before is
  // destroyed (with a warning).
  MeshEntity* AddEntity(MeshEntity* entity);
  // Removes the registration of entity's name when it maps to entity.
  void RemoveEntity(MeshEntity* entity);

  void AddAnimationSet(AnimationSet* set) { m_AnimationSets.push_back(set); }
  void AddMaterial(MeshMaterial* material) { m_Materials.push_back(material); }
  void AddGeometry(MeshGeometry* geometry) { m_Geometries.push_back(geometry); }
  void AddFrame(MeshFrame* frame) { m_Frames.push_back(frame); }

 private:
  // Takes a destroyed entity out of the typed lists.
  void ForgetEntity(MeshEntity* entity);
  // Releases one reference of every frame below and after frame: first its
  // children, then its siblings, then the frame itself.
  void DeleteFrameHierarchy(MeshFrame* frame);

  // The cache file's parts; each reader returns false on damaged data.
  void WriteFrames(FILE* file) const;
  void WriteAnimationSet(FILE* file, const AnimationSet* set) const;
  bool ReadMaterial(MeshFileReader& in);
  bool ReadFrames(MeshFileReader& in);
  bool ReadGeometry(MeshFileReader& in, MeshFrame* frame);
  bool ReadAnimationSet(MeshFileReader& in);

  std::unordered_map<std::string, MeshEntity*> m_Entities;
  StringEX m_PathDir;
  GraphicsDevice* m_pDevice;
  MeshFrame* m_pFrameRoot;
  std::vector<AnimationSet*> m_AnimationSets;
  std::vector<MeshMaterial*> m_Materials;
  std::vector<MeshGeometry*> m_Geometries;
  std::vector<MeshFrame*> m_Frames;
};
