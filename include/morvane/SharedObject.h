// SharedObject, Resource, Manager: reference counting, sharing of resources by
// name and the leak report of a manager at shutdown.
//
// Every Create... operation of a manager follows one protocol: build the key,
// FindResource(key); when found return it, else create the object (count 1),
// RegisterResource(object, key) and return it. Either way the caller owns one
// reference and gives it back with Release.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "GrowArray.h"
#include "StringEX.h"

class SharedObject {
 public:
  SharedObject() : m_RefCount(1) {}
  virtual ~SharedObject() = default;

  // Drops one reference; at 0 or less the object deletes itself.
  virtual void Release();
  void AddRef() { ++m_RefCount; }
  int GetRefCount() const { return m_RefCount; }

 protected:
  SharedObject(const SharedObject&) : m_RefCount(1) {}
  SharedObject& operator=(const SharedObject&) { return *this; }

  int m_RefCount;
};

class Manager;

class Resource : public SharedObject {
 public:
  Resource() : m_Slot(-1), m_pManager(nullptr) {}
  // Unregisters the resource from its manager.
  ~Resource() override;

  using SharedObject::Release;
  // Drops one reference. At 0 a managed resource is parked for reuse by its
  // key when keep is set and deleted otherwise; an unmanaged one is deleted.
  virtual void Release(bool keep);

  const StringEX& GetName() const { return m_Name; }
  int GetSlot() const { return m_Slot; }
  Manager* GetManager() const { return m_pManager; }

 protected:
  // A copy is a new, unmanaged resource.
  Resource(const Resource& other) : SharedObject(other), m_Slot(-1), m_pManager(nullptr) {}
  Resource& operator=(const Resource&) { return *this; }

 private:
  friend class Manager;

  StringEX m_Name;
  int m_Slot;
  Manager* m_pManager;
};

class Manager {
 public:
  Manager() : m_Count(0) {}
  // Purges the parked resources; resources still referenced stay allocated.
  virtual ~Manager();
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // Registered resources, parked ones included.
  unsigned int GetCount() const { return m_Count; }

 protected:
  // The resource registered under name with one reference added, or null.
  Resource* FindResource(const StringEX& name);
  // The same when the resource is a T. One of another class is passed over
  // (the caller registers a new object that takes the name over), and the
  // reference the lookup added to it is given back.
  template <typename T>
  T* FindResourceOf(const StringEX& name) {
    Resource* resource = FindResource(name);
    if (!resource) return nullptr;
    if (T* found = dynamic_cast<T*>(resource)) return found;
    resource->Release();
    return nullptr;
  }
  // Enters a new resource under name; a later resource takes an existing name over.
  void RegisterResource(Resource* resource, const StringEX& name);
  void UnregisterResource(Resource* resource);
  // Parks a resource whose count fell to 0 (keep) or deletes it.
  void ParkResource(Resource* resource, bool keep);
  void PurgeParked();
  // The shutdown step of every concrete manager: purge, then report the
  // resources still alive as "<count><text>" with Warning at level 3.
  void PurgeAndReport(const char* text);

  unsigned int m_Count;
  GrowArray<unsigned int> m_FreeSlots;
  std::unordered_map<std::string, unsigned int> m_Names;
  std::unordered_map<std::string, unsigned int> m_Parked;
  std::vector<Resource*> m_Slots;

 private:
  friend class Resource;
};
