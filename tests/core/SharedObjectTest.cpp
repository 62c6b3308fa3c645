#include <gtest/gtest.h>

#include <morvane/Core.h>
#include <morvane/SharedObject.h>

#include "RecordingLogger.h"

namespace {

int g_alive = 0;
int g_created = 0;

class TestResource : public Resource {
 public:
  TestResource() {
    ++g_alive;
    ++g_created;
  }
  ~TestResource() override { --g_alive; }
};

// A manager following the Create protocol of every engine manager.
class TestManager : public Manager {
 public:
  ~TestManager() override { PurgeAndReport(" unfreed test resources."); }

  TestResource* Create(const StringEX& key) {
    if (Resource* found = FindResource(key)) return static_cast<TestResource*>(found);
    TestResource* resource = new TestResource();
    RegisterResource(resource, key);
    return resource;
  }
  unsigned int FreeSlotCapacity() const { return m_FreeSlots.Capacity(); }
  size_t ParkedCount() const { return m_Parked.size(); }
};

class SharedObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_alive = 0;
    g_created = 0;
    Core::Init();
    Core::SetLogger(&m_log);
  }
  void TearDown() override {
    Core::Cleanup();
    EXPECT_EQ(g_alive, 0);
  }
  RecordingLogger m_log;
};

}  // namespace

TEST_F(SharedObjectTest, UnmanagedObjectsDeleteThemselvesAtZero) {
  TestResource* resource = new TestResource();
  EXPECT_EQ(resource->GetRefCount(), 1);
  EXPECT_EQ(resource->GetSlot(), -1);
  EXPECT_EQ(resource->GetManager(), nullptr);
  resource->AddRef();
  resource->Release(true);  // no manager: keep has no effect
  EXPECT_EQ(g_alive, 1);
  resource->Release(true);
  EXPECT_EQ(g_alive, 0);
}

TEST_F(SharedObjectTest, SameKeySharesOneObject) {
  TestManager manager;
  TestResource* a = manager.Create("stone.dds");
  TestResource* b = manager.Create("stone.dds");
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->GetRefCount(), 2);
  EXPECT_EQ(a->GetName(), "stone.dds");
  EXPECT_EQ(a->GetManager(), &manager);
  EXPECT_EQ(manager.GetCount(), 1u);
  a->Release();
  EXPECT_EQ(g_alive, 1);
  b->Release();
  EXPECT_EQ(g_alive, 0);
  EXPECT_EQ(manager.GetCount(), 0u);
}

TEST_F(SharedObjectTest, ParkedResourceIsReusedAndPurgedWithoutLeakReport) {
  {
    TestManager manager;
    TestResource* first = manager.Create("key");
    first->Release(true);
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(first->GetRefCount(), 0);
    EXPECT_EQ(manager.ParkedCount(), 1u);

    TestResource* again = manager.Create("key");
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->GetRefCount(), 1);
    EXPECT_EQ(g_created, 1);
    EXPECT_EQ(manager.ParkedCount(), 0u);
    again->Release(true);
  }
  EXPECT_EQ(g_alive, 0);
  EXPECT_TRUE(m_log.entries.empty());
}

TEST_F(SharedObjectTest, ReleaseWithoutKeepDeletes) {
  TestManager manager;
  manager.Create("key")->Release(false);
  EXPECT_EQ(g_alive, 0);
  EXPECT_EQ(manager.GetCount(), 0u);
}

TEST_F(SharedObjectTest, FreedSlotsAreReusedMostRecentFirst) {
  TestManager manager;
  TestResource* r0 = manager.Create("0");
  TestResource* r1 = manager.Create("1");
  TestResource* r2 = manager.Create("2");
  EXPECT_EQ(r2->GetSlot(), 2);
  r0->Release();
  r1->Release();
  EXPECT_EQ(manager.Create("3")->GetSlot(), 1);
  EXPECT_EQ(manager.Create("4")->GetSlot(), 0);
  EXPECT_EQ(manager.Create("5")->GetSlot(), 3);
  for (const char* key : {"2", "3", "4", "5"}) {
    TestResource* r = manager.Create(key);
    r->Release();
    r->Release();
  }
}

TEST_F(SharedObjectTest, DirectlyReleasedParkedResourceLeavesNoParkedEntry) {
  TestManager manager;
  TestResource* parked = manager.Create("a");
  parked->Release(true);
  parked->Release();  // the plain release never parks: it deletes
  EXPECT_EQ(manager.ParkedCount(), 0u);
  TestResource* next = manager.Create("b");  // takes the freed slot
  EXPECT_EQ(next->GetSlot(), 0);
  next->Release(true);
}

TEST_F(SharedObjectTest, FreeSlotArrayDoublesWhenFull) {
  TestManager manager;
  std::vector<TestResource*> resources;
  for (int i = 0; i < 600; ++i) resources.push_back(manager.Create(StringEX(i)));
  EXPECT_EQ(manager.FreeSlotCapacity(), 256u);
  for (int i = 0; i < 257; ++i) resources[i]->Release();
  EXPECT_EQ(manager.FreeSlotCapacity(), 512u);
  for (int i = 257; i < 600; ++i) resources[i]->Release();
  EXPECT_EQ(manager.FreeSlotCapacity(), 1024u);
  EXPECT_EQ(manager.GetCount(), 0u);
}

TEST_F(SharedObjectTest, LeakReportNamesTheCount) {
  std::vector<TestResource*> leaked;
  {
    TestManager manager;
    for (const char* key : {"a", "b", "c"}) leaked.push_back(manager.Create(key));
    manager.Create("parked")->Release(true);
  }
  ASSERT_EQ(m_log.entries.size(), 1u);
  EXPECT_EQ(m_log.entries[0], (RecordingLogger::Entry{RecordingLogger::kWarning, 3, "3 unfreed test resources."}));
  // Leaked resources stay allocated and become unmanaged: releasing them later is safe.
  EXPECT_EQ(g_alive, 3);
  for (TestResource* r : leaked) {
    EXPECT_EQ(r->GetManager(), nullptr);
    r->Release();
  }
}
