#include "com/com_object.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

struct ITestBase : IUnknown {
  virtual int Base() = 0;
};
struct ITestLeaf : ITestBase {
  virtual int Leaf() = 0;
};
struct ITestUnrelated : IUnknown {};

const IID IID_ITestBase = {0x1b0e8e51, 0x6a2c, 0x4f7d, {0x9a, 0x11, 0x02, 0x3c, 0x4d, 0x5e, 0x6f, 0x70}};
const IID IID_ITestLeaf = {0x1b0e8e52, 0x6a2c, 0x4f7d, {0x9a, 0x11, 0x02, 0x3c, 0x4d, 0x5e, 0x6f, 0x70}};
const IID IID_ITestUnrelated = {0x1b0e8e53, 0x6a2c, 0x4f7d, {0x9a, 0x11, 0x02, 0x3c, 0x4d, 0x5e, 0x6f, 0x70}};

}  // namespace

MORVANE_DECLARE_UUID(ITestBase, IID_ITestBase);
MORVANE_DECLARE_UUID(ITestLeaf, IID_ITestLeaf);
MORVANE_DECLARE_UUID(ITestUnrelated, IID_ITestUnrelated);
MORVANE_COM_PARENT(ITestBase, IUnknown);
MORVANE_COM_PARENT(ITestLeaf, ITestBase);

namespace {

class TestObject final : public ComObject<ITestLeaf> {
 public:
  explicit TestObject(int* destroyed) : m_destroyed(destroyed) {}
  ~TestObject() override { ++*m_destroyed; }
  int Base() override { return 1; }
  int Leaf() override { return 2; }

 private:
  int* m_destroyed;
};

// The count an object holds, read without changing it.
ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST(ComObject, StartsWithOneReferenceAndDiesAtZero) {
  int destroyed = 0;
  TestObject* object = new TestObject(&destroyed);
  EXPECT_EQ(2u, object->AddRef());
  EXPECT_EQ(1u, object->Release());
  EXPECT_EQ(0, destroyed);
  EXPECT_EQ(0u, object->Release());
  EXPECT_EQ(1, destroyed);
}

TEST(ComObject, QueryInterfaceAnswersTheWholeChain) {
  int destroyed = 0;
  ComPtr<TestObject> object = ComPtr<TestObject>::Attach(new TestObject(&destroyed));
  for (const IID* iid : {&IID_IUnknown, &IID_ITestBase, &IID_ITestLeaf}) {
    void* answer = nullptr;
    ASSERT_EQ(S_OK, object->QueryInterface(*iid, &answer));
    EXPECT_EQ(static_cast<ITestLeaf*>(object.Get()), answer);
    EXPECT_EQ(2u, RefCount(object.Get()));
    static_cast<IUnknown*>(answer)->Release();
  }
  void* answer = &destroyed;
  EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_ITestUnrelated, &answer));
  EXPECT_EQ(nullptr, answer);
  EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IUnknown, nullptr));
  EXPECT_EQ(1u, RefCount(object.Get()));
  object.Reset();
  EXPECT_EQ(1, destroyed);
}

TEST(ComPtr, OwnsExactlyOneReference) {
  int destroyed = 0;
  TestObject* raw = new TestObject(&destroyed);
  {
    ComPtr<TestObject> first = ComPtr<TestObject>::Attach(raw);
    EXPECT_EQ(1u, RefCount(raw));
    ComPtr<TestObject> copy = first;
    EXPECT_EQ(2u, RefCount(raw));
    ComPtr<TestObject> moved = std::move(copy);
    EXPECT_FALSE(copy);
    EXPECT_EQ(2u, RefCount(raw));
    ComPtr<TestObject> fromRaw(raw);
    EXPECT_EQ(3u, RefCount(raw));
    moved = nullptr;
    EXPECT_EQ(2u, RefCount(raw));
    fromRaw = first;  // the same object: the count stays
    EXPECT_EQ(2u, RefCount(raw));

    TestObject* detached = fromRaw.Detach();
    EXPECT_FALSE(fromRaw);
    EXPECT_EQ(2u, RefCount(raw));
    ComPtr<TestObject> attached = ComPtr<TestObject>::Attach(detached);
    EXPECT_EQ(2u, RefCount(raw));
    TestObject** slot = attached.ReleaseAndGetAddressOf();
    EXPECT_EQ(nullptr, *slot);
    EXPECT_EQ(1u, RefCount(raw));
    EXPECT_EQ(0, destroyed);
  }
  EXPECT_EQ(1, destroyed);
}

}  // namespace
