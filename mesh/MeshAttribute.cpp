#include <morvane/MeshAttribute.h>

#include <algorithm>

#include <morvane/Core.h>
#include <morvane/MeshContainer.h>
#include <morvane/MeshMaterial.h>

namespace {

const unsigned int kNoEntry = 0xFFFFFFFFu;

// The vertex count a roll-out target needs for the attribute's triangles.
bool IsRollOutTarget(const MeshContainer* own, const MeshContainer* target) {
  return own && target && static_cast<unsigned long long>(target->GetVertexCount()) ==
                              3ull * own->GetTriangleCount();
}

}  // namespace

MeshAttribute* MeshAttribute::Clone(MeshContainer*, bool) const { return nullptr; }

MeshAttribute* MeshAttribute::RollOut(MeshContainer*, MeshAttribute*) const { return nullptr; }

MeshAttribute* MeshAttribute::SplitVertices(MeshContainer*, unsigned int*, unsigned int*, unsigned int*,
                                            VertexTriangleRef<unsigned int>*, unsigned int*) const {
  return nullptr;
}

bool MeshAttribute::CanRollOutTo(const MeshContainer* target) const {
  if (IsRollOutTarget(m_pContainer, target)) return true;
  Core::Log()->WriteLine("Error@RollOut: Vertex count must be triangle count * 3.", 0);
  return false;
}

// PerVertexAttribute ---------------------------------------------------------

template <typename T>
PerVertexAttribute<T>::PerVertexAttribute(MeshContainer* container)
    : PerVertexAttribute(container, container ? container->GetVertexCount() : 0) {}

// A clone made for a roll-out target is sized for the target's 3 x T
// vertices, but the gathers that follow still index it by the source's
// vertices, of which there may be more; it therefore keeps every element of
// the source when that is larger.
template <typename T>
MeshAttribute* PerVertexAttribute<T>::Clone(MeshContainer* owner, bool copyData) const {
  unsigned int count = owner ? owner->GetVertexCount() : 0;
  if (copyData) count = std::max(count, m_Count);
  PerVertexAttribute<T>* clone = new PerVertexAttribute<T>(owner, count);
  CopyDescription(clone);
  if (copyData) std::copy(m_Data.begin(), m_Data.end(), clone->m_Data.begin());
  return clone;
}

template <typename T>
MeshAttribute* PerVertexAttribute<T>::RollOut(MeshContainer* target, MeshAttribute* indices) const {
  if (!CanRollOutTo(target)) return nullptr;
  const IndexAttribute* triangles = dynamic_cast<const IndexAttribute*>(indices);
  if (!triangles) {
    Core::Log()->WriteLine("Error@RollOut: Invalid indices format.", 0);
    return nullptr;
  }
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(target);
  CopyDescription(result);
  unsigned int triangleCount = std::min(target->GetVertexCount() / 3, triangles->m_Count);
  for (unsigned int t = 0; t < triangleCount; ++t) {
    for (unsigned int c = 0; c < 3; ++c) {
      unsigned int v = (*triangles)[t][c];
      if (v < m_Count) result->m_Data[3 * t + c] = m_Data[v];
    }
  }
  return result;
}

template <typename T>
MeshAttribute* PerVertexAttribute<T>::Remap(const unsigned int* newToOld, unsigned int newCount) const {
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(m_pContainer, newCount);
  CopyDescription(result);
  for (unsigned int i = 0; i < newCount; ++i) {
    if (newToOld[i] < m_Count) result->m_Data[i] = m_Data[newToOld[i]];
  }
  return result;
}

template <typename T>
void PerVertexAttribute<T>::CopyInterleaved(void* destination, unsigned int stride) const {
  // Only plain data has a meaning inside a vertex buffer.
  if constexpr (std::is_trivially_copyable<T>::value) {
    unsigned int count = m_pContainer ? std::min(m_pContainer->GetVertexCount(), m_Count) : 0;
    unsigned char* out = static_cast<unsigned char*>(destination);
    for (unsigned int i = 0; i < count; ++i) std::memcpy(out + static_cast<size_t>(i) * stride, &m_Data[i], sizeof(T));
  } else {
    (void)destination;
    (void)stride;
  }
}

// PerTriangleAttribute -------------------------------------------------------

template <typename T>
PerTriangleAttribute<T>::PerTriangleAttribute(MeshContainer* container)
    : MeshAttribute(container, PerTriangle, container ? container->GetTriangleCount() : 0, sizeof(T)),
      m_Data(m_Count) {}

template <typename T>
MeshAttribute* PerTriangleAttribute<T>::Clone(MeshContainer* owner, bool copyData) const {
  PerTriangleAttribute<T>* clone = new PerTriangleAttribute<T>(owner);
  CopyDescription(clone);
  if (copyData) std::copy_n(m_Data.begin(), std::min(m_Count, clone->m_Count), clone->m_Data.begin());
  return clone;
}

template <typename T>
MeshAttribute* PerTriangleAttribute<T>::RollOut(MeshContainer* target, MeshAttribute*) const {
  if (!CanRollOutTo(target)) return nullptr;
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(target);
  CopyDescription(result);
  unsigned int triangleCount = std::min(target->GetVertexCount() / 3, m_Count);
  for (unsigned int t = 0; t < triangleCount; ++t) {
    for (unsigned int c = 0; c < 3; ++c) (*result)[3 * t + c] = m_Data[t];
  }
  return result;
}

// IndexedAttribute -----------------------------------------------------------

template <typename T, typename I, bool corners>
IndexedAttribute<T, I, corners>::IndexedAttribute(MeshContainer* container, unsigned int valueCount)
    : MeshAttribute(container, corners ? PerTriangleVertexIndexed : PerTriangleIndexed, valueCount, sizeof(T)),
      m_Values(valueCount),
      m_Indices((corners ? 3u : 1u) * static_cast<size_t>(container ? container->GetTriangleCount() : 0)) {}

template <typename T, typename I, bool corners>
MeshAttribute* IndexedAttribute<T, I, corners>::Clone(MeshContainer* owner, bool copyData) const {
  IndexedAttribute<T, I, corners>* clone = new IndexedAttribute<T, I, corners>(owner, m_Count);
  CopyDescription(clone);
  if (copyData) {
    clone->m_Values = m_Values;
    std::copy_n(m_Indices.begin(), std::min(m_Indices.size(), clone->m_Indices.size()), clone->m_Indices.begin());
  }
  return clone;
}

template <typename T, typename I, bool corners>
MeshAttribute* IndexedAttribute<T, I, corners>::RollOut(MeshContainer* target, MeshAttribute*) const {
  if (!CanRollOutTo(target)) return nullptr;
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(target);
  CopyDescription(result);
  unsigned int cornerCount = target->GetVertexCount();
  for (unsigned int i = 0; i < cornerCount; ++i) {
    size_t slot = corners ? i : i / 3;
    if (slot < m_Indices.size() && m_Indices[slot] < m_Count) (*result)[i] = m_Values[m_Indices[slot]];
  }
  return result;
}

template <typename T, typename I, bool corners>
MeshAttribute* IndexedAttribute<T, I, corners>::SplitVertices(MeshContainer* target, unsigned int* vertexCount,
                                                              unsigned int* newToOld,
                                                              unsigned int* lastVertexOfValue,
                                                              VertexTriangleRef<unsigned int>* list,
                                                              unsigned int* vertexOfValue) const {
  IndexAttribute* targetIndices = dynamic_cast<IndexAttribute*>(target->GetIndices());
  if (!targetIndices) return nullptr;
  // Every corner makes at most one vertex, so 3 x T elements always suffice.
  unsigned int capacity = std::max(target->GetVertexCount(), 3 * target->GetTriangleCount());
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(target, capacity);
  CopyDescription(result);
  // Slot m_Count stands for every index outside the value table.
  std::fill_n(lastVertexOfValue, m_Count + 1, kNoEntry);
  unsigned int n = 0;
  for (unsigned int v = 0; v < *vertexCount; ++v) {
    for (unsigned int e = v; e != kNoEntry && list[e].reference != kNoEntry; e = list[e].next) {
      unsigned int t = list[e].reference & 0x3FFFFFFFu;
      unsigned int c = list[e].reference >> 30;
      size_t slot = corners ? 3 * static_cast<size_t>(t) + c : t;
      unsigned int k = slot < m_Indices.size() ? m_Indices[slot] : m_Count;
      if (k > m_Count) k = m_Count;
      unsigned int chosen;
      if (lastVertexOfValue[k] == v) {
        chosen = vertexOfValue[k];
      } else {
        chosen = n;
        if (k < m_Count) (*result)[n] = m_Values[k];
        vertexOfValue[k] = n;
        lastVertexOfValue[k] = v;
        newToOld[n] = v;
        ++n;
      }
      (*targetIndices)[t][c] = chosen;
    }
  }
  *vertexCount = n;
  return result;
}

// SingleAttribute ------------------------------------------------------------

template <typename T>
MeshAttribute* SingleAttribute<T>::Clone(MeshContainer* owner, bool copyData) const {
  SingleAttribute<T>* clone = new SingleAttribute<T>(owner);
  CopyDescription(clone);
  if (copyData) clone->m_Value = m_Value;
  return clone;
}

template <typename T>
MeshAttribute* SingleAttribute<T>::RollOut(MeshContainer* target, MeshAttribute*) const {
  if (!CanRollOutTo(target)) return nullptr;
  PerVertexAttribute<T>* result = new PerVertexAttribute<T>(target);
  CopyDescription(result);
  for (unsigned int i = 0; i < target->GetVertexCount(); ++i) (*result)[i] = m_Value;
  return result;
}

template class PerVertexAttribute<DXVector3>;
template class PerVertexAttribute<DXVector2>;
template class PerVertexAttribute<DXVector4>;
template class PerVertexAttribute<unsigned int>;
template class PerVertexAttribute<unsigned char>;
template class PerVertexAttribute<TriangleIndices<unsigned int>>;
template class PerVertexAttribute<StringEX>;
template class PerVertexAttribute<MeshMaterial*>;
template class PerVertexAttribute<SkinInfo>;
template class PerTriangleAttribute<TriangleIndices<unsigned int>>;
template class PerTriangleAttribute<DXVector3>;
template class IndexedAttribute<unsigned char, unsigned int, false>;
template class IndexedAttribute<MeshMaterial*, unsigned short, false>;
template class IndexedAttribute<DXVector3, unsigned int, true>;
template class IndexedAttribute<DXVector3, unsigned short, true>;
template class SingleAttribute<StringEX>;
template class SingleAttribute<SkinInfo>;
