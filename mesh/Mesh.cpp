#include <morvane/Mesh.h>

#include <algorithm>
#include <unordered_set>

#include <morvane/Animation.h>
#include <morvane/Core.h>
#include <morvane/MeshFrame.h>
#include <morvane/MeshGeometry.h>
#include <morvane/MeshMaterial.h>

namespace {

// Holders before what they hold (sets hold animations, animations hold key
// tracks and frames, frames hold geometries, geometries hold materials), so
// that destroying an entity never releases one destroyed before it.
int DestroyRank(MeshEntity* entity) {
  if (dynamic_cast<AnimationSet*>(entity)) return 0;
  if (dynamic_cast<Animation*>(entity)) return 1;
  if (dynamic_cast<MeshFrame*>(entity)) return 2;
  if (dynamic_cast<MeshGeometry*>(entity)) return 3;
  if (dynamic_cast<MeshMaterial*>(entity)) return 4;
  return 5;
}

template <typename T>
void Erase(std::vector<T*>& list, MeshEntity* entity) {
  list.erase(std::remove_if(list.begin(), list.end(), [entity](T* item) { return item == entity; }), list.end());
}

}  // namespace

Mesh::Mesh(GraphicsDevice* device, const StringEX& path) : m_pDevice(device), m_pFrameRoot(nullptr) {
  SetPathDir(path);
}

Mesh::~Mesh() { Cleanup(); }

void Mesh::SetPathDir(const StringEX& path) {
  size_t slash = path.find_last_of("\\/");
  m_PathDir = slash == std::string::npos ? StringEX() : StringEX(path.substr(0, slash + 1));
}

void Mesh::Cleanup() {
  if (m_pFrameRoot) {
    MeshFrame* root = m_pFrameRoot;
    m_pFrameRoot = nullptr;
    DeleteFrameHierarchy(root->GetFirstChild());
    DeleteFrameHierarchy(root->GetNextSibling());
    root->Release();
  }
  // The typed lists are emptied first: every entity destroyed from here on
  // would otherwise search them.
  std::vector<AnimationSet*> sets;
  sets.swap(m_AnimationSets);
  m_Materials.clear();
  m_Geometries.clear();
  m_Frames.clear();
  for (AnimationSet* set : sets) set->Release();

  // What is left is owned by the registry alone. Destroying one entity may
  // release and destroy others, which then leave the registry themselves.
  std::vector<std::pair<std::string, MeshEntity*>> left(m_Entities.begin(), m_Entities.end());
  std::stable_sort(left.begin(), left.end(),
                   [](const auto& a, const auto& b) { return DestroyRank(a.second) < DestroyRank(b.second); });
  for (const auto& entry : left) {
    auto found = m_Entities.find(entry.first);
    if (found == m_Entities.end() || found->second != entry.second) continue;
    m_Entities.erase(found);
    delete entry.second;
  }
  m_Entities.clear();
}

void Mesh::DeleteFrameHierarchy(MeshFrame* frame) {
  // Children, then siblings, then the frame: the reverse of a walk that
  // visits a frame, its siblings' subtrees, then its children's. The walk is
  // iterative because sibling chains can be as long as the model is large;
  // a frame linked twice is released once.
  std::vector<MeshFrame*> order, pending;
  std::unordered_set<MeshFrame*> seen;
  if (frame) pending.push_back(frame);
  while (!pending.empty()) {
    MeshFrame* f = pending.back();
    pending.pop_back();
    if (!seen.insert(f).second) continue;
    order.push_back(f);
    if (f->GetFirstChild()) pending.push_back(f->GetFirstChild());
    if (f->GetNextSibling()) pending.push_back(f->GetNextSibling());
  }
  for (auto it = order.rbegin(); it != order.rend(); ++it) (*it)->Release();
}

MeshEntity* Mesh::AddEntity(MeshEntity* entity) {
  auto inserted = m_Entities.emplace(entity->m_Name, entity);
  if (!inserted.second) {
    MeshEntity* old = inserted.first->second;
    inserted.first->second = entity;
    if (old != entity) delete old;
    Core::Log()->Warning("XMesh::AddEntity: Entity (" + entity->m_Name + ") already exists; overwritten.", 3);
  }
  return entity;
}

void Mesh::RemoveEntity(MeshEntity* entity) {
  auto found = m_Entities.find(entity->m_Name);
  if (found != m_Entities.end() && found->second == entity) m_Entities.erase(found);
}

void Mesh::ForgetEntity(MeshEntity* entity) {
  Erase(m_AnimationSets, entity);
  Erase(m_Materials, entity);
  Erase(m_Geometries, entity);
  Erase(m_Frames, entity);
  if (m_pFrameRoot == entity) m_pFrameRoot = nullptr;
}

MeshEntity* Mesh::GetEntity(const StringEX& name) const {
  auto found = m_Entities.find(name);
  if (found != m_Entities.end()) return found->second;
  Core::Log()->Warning("Entity: \"" + name + "\" not found.", 4);
  return nullptr;
}

bool Mesh::HasEntity(const StringEX& name) const { return m_Entities.count(name) != 0; }
