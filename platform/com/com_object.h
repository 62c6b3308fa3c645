// COM plumbing shared by every platform object: a reference-counted base that
// answers QueryInterface for an interface and all the interfaces it derives
// from, and a smart pointer that owns one reference.
#pragma once

#include <unknwn.h>

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

// The interface a COM interface derives from. Each interface family declares
// its chain once with MORVANE_COM_PARENT, next to the classes implementing it.
template <typename Interface>
struct ComParent;
template <>
struct ComParent<IUnknown> {
  using Type = void;
};
#define MORVANE_COM_PARENT(interface, parent)                                                        \
  static_assert(std::is_base_of<parent, interface>::value, #interface " must derive from " #parent); \
  template <>                                                                                        \
  struct ComParent<interface> {                                                                      \
    using Type = parent;                                                                             \
  }

// True when riid names Interface or one of the interfaces it derives from.
template <typename Interface>
bool ComImplements(REFIID riid) {
  if (riid == MorvaneUuid<Interface>::Get()) return true;
  using Parent = typename ComParent<Interface>::Type;
  if constexpr (std::is_void<Parent>::value) {
    return false;
  } else {
    return ComImplements<Parent>(riid);
  }
}

// Implements IUnknown for an object exposing Interface. Creation hands out
// one reference (the count starts at 1); the object deletes itself when the
// count reaches zero. Interfaces derive singly, so one pointer serves for
// Interface and every interface above it.
template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (!ppvObject) return E_POINTER;
    if (!ComImplements<Interface>(riid)) {
      *ppvObject = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    *ppvObject = static_cast<Interface*>(this);
    return S_OK;
  }

  ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refCount; }

  ULONG STDMETHODCALLTYPE Release() override {
    ULONG count = --m_refCount;
    if (count == 0) delete this;
    return count;
  }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;

 private:
  std::atomic<ULONG> m_refCount{1};
};

// Owns one reference to a COM object. Construction from a raw pointer adds a
// reference; Attach takes over one the caller already owns.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  explicit ComPtr(T* object) : m_object(object) {
    if (m_object) m_object->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.m_object) {}
  ComPtr(ComPtr&& other) noexcept : m_object(other.m_object) { other.m_object = nullptr; }
  ~ComPtr() { Reset(); }

  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(m_object, other.m_object);
    return *this;
  }

  static ComPtr Attach(T* object) {
    ComPtr result;
    result.m_object = object;
    return result;
  }

  // Gives the reference away, leaving this pointer empty.
  T* Detach() { return std::exchange(m_object, nullptr); }

  void Reset() {
    if (T* object = std::exchange(m_object, nullptr)) object->Release();
  }

  // Releases what is held and returns the slot for a call that writes a new
  // reference into it.
  T** ReleaseAndGetAddressOf() {
    Reset();
    return &m_object;
  }

  T* Get() const { return m_object; }
  T* operator->() const { return m_object; }
  explicit operator bool() const { return m_object != nullptr; }

 private:
  T* m_object = nullptr;
};
