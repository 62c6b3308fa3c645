// GrowArray: a growable array of small trivially copyable items (slot indices,
// pointers). It starts with room for 256 items and doubles its capacity
// whenever a push finds it full; it never shrinks, so a steady user stops
// allocating once it has grown.
#pragma once

#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>

template <typename T>
class GrowArray {
  static_assert(std::is_trivially_copyable<T>::value, "GrowArray holds plain items");

 public:
  static constexpr unsigned int kInitialCapacity = 256;

  GrowArray() : m_Count(0), m_Capacity(kInitialCapacity), m_pItems(Allocate(kInitialCapacity)) {}
  GrowArray(const GrowArray& other)
      : m_Count(other.m_Count), m_Capacity(other.m_Capacity), m_pItems(Allocate(other.m_Capacity)) {
    std::memcpy(m_pItems, other.m_pItems, sizeof(T) * m_Count);
  }
  GrowArray& operator=(const GrowArray& other) {
    if (this != &other) {
      T* items = Allocate(other.m_Capacity);
      std::memcpy(items, other.m_pItems, sizeof(T) * other.m_Count);
      std::free(m_pItems);
      m_pItems = items;
      m_Count = other.m_Count;
      m_Capacity = other.m_Capacity;
    }
    return *this;
  }
  ~GrowArray() { std::free(m_pItems); }

  void Push(const T& item) {
    if (m_Count == m_Capacity) Grow();
    m_pItems[m_Count++] = item;
  }
  // Removes and returns the last item; the array must not be empty.
  T Pop() { return m_pItems[--m_Count]; }
  // Forgets the items and keeps the capacity.
  void Clear() { m_Count = 0; }

  T& operator[](unsigned int index) { return m_pItems[index]; }
  const T& operator[](unsigned int index) const { return m_pItems[index]; }
  T* Data() { return m_pItems; }
  const T* Data() const { return m_pItems; }
  unsigned int Size() const { return m_Count; }
  unsigned int Capacity() const { return m_Capacity; }
  bool IsEmpty() const { return m_Count == 0; }

 private:
  static T* Allocate(unsigned int capacity) {
    void* block = std::malloc(sizeof(T) * capacity);
    if (!block) throw std::bad_alloc();
    return static_cast<T*>(block);
  }
  void Grow() {
    T* items = Allocate(m_Capacity * 2);
    std::memcpy(items, m_pItems, sizeof(T) * m_Count);
    std::free(m_pItems);
    m_pItems = items;
    m_Capacity *= 2;
  }

  unsigned int m_Count;
  unsigned int m_Capacity;
  T* m_pItems;
};
