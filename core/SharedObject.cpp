#include <morvane/SharedObject.h>

#include <morvane/Core.h>

void SharedObject::Release() {
  if (--m_RefCount <= 0) delete this;
}

Resource::~Resource() {
  if (m_pManager) m_pManager->UnregisterResource(this);
}

void Resource::Release(bool keep) {
  if (--m_RefCount > 0) return;
  if (!m_pManager) {
    delete this;
    return;
  }
  m_pManager->ParkResource(this, keep);
}

// Resources that outlive their manager are detached, so that their last
// Release deletes them as unmanaged objects instead of touching a dead manager.
Manager::~Manager() {
  PurgeParked();
  for (Resource* resource : m_Slots) {
    if (!resource) continue;
    resource->m_pManager = nullptr;
    resource->m_Slot = -1;
  }
}

Resource* Manager::FindResource(const StringEX& name) {
  auto found = m_Names.find(name);
  if (found == m_Names.end()) return nullptr;
  Resource* resource = m_Slots[found->second];
  if (!resource) return nullptr;
  if (resource->m_RefCount == 0) m_Parked.erase(name);
  resource->AddRef();
  return resource;
}

void Manager::RegisterResource(Resource* resource, const StringEX& name) {
  if (!resource) return;
  unsigned int slot = m_FreeSlots.IsEmpty() ? static_cast<unsigned int>(m_Slots.size()) : m_FreeSlots.Pop();
  if (slot < m_Slots.size())
    m_Slots[slot] = resource;
  else
    m_Slots.push_back(resource);
  resource->m_pManager = this;
  resource->m_Slot = static_cast<int>(slot);
  resource->m_Name = name;
  m_Names[name] = slot;
  ++m_Count;
}

void Manager::UnregisterResource(Resource* resource) {
  if (resource->m_Slot < 0) return;
  unsigned int slot = static_cast<unsigned int>(resource->m_Slot);
  m_FreeSlots.Push(slot);
  // A later resource may have taken the name over; only the owner's entry goes.
  auto found = m_Names.find(resource->m_Name);
  if (found != m_Names.end() && found->second == slot) m_Names.erase(found);
  // A parked resource can still be deleted directly; its parked entry must not
  // outlive it, or a purge would delete the slot's next owner.
  auto parked = m_Parked.find(resource->m_Name);
  if (parked != m_Parked.end() && parked->second == slot) m_Parked.erase(parked);
  m_Slots[slot] = nullptr;
  resource->m_Slot = -1;
  --m_Count;
}

void Manager::ParkResource(Resource* resource, bool keep) {
  if (keep)
    m_Parked[resource->m_Name] = static_cast<unsigned int>(resource->m_Slot);
  else
    delete resource;
}

void Manager::PurgeParked() {
  while (!m_Parked.empty()) {
    auto first = m_Parked.begin();
    unsigned int slot = first->second;
    m_Parked.erase(first);
    if (slot < m_Slots.size()) delete m_Slots[slot];
  }
}

void Manager::PurgeAndReport(const char* text) {
  PurgeParked();
  if (m_Count > 0) Core::Log()->Warning(StringEX(static_cast<int>(m_Count)) + text, 3);
}
