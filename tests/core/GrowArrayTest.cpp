#include <gtest/gtest.h>

#include <morvane/GrowArray.h>

TEST(GrowArray, StartsWith256AndDoubles) {
  GrowArray<unsigned int> items;
  EXPECT_EQ(items.Capacity(), 256u);
  EXPECT_TRUE(items.IsEmpty());
  for (unsigned int i = 0; i < 256; ++i) items.Push(i);
  EXPECT_EQ(items.Capacity(), 256u);
  items.Push(256);
  EXPECT_EQ(items.Capacity(), 512u);
  for (unsigned int i = 257; i < 513; ++i) items.Push(i);
  EXPECT_EQ(items.Capacity(), 1024u);
  for (unsigned int i = 0; i < 513; ++i) ASSERT_EQ(items[i], i);
  EXPECT_EQ(items.Pop(), 512u);
  EXPECT_EQ(items.Size(), 512u);
  items.Clear();
  EXPECT_EQ(items.Size(), 0u);
  EXPECT_EQ(items.Capacity(), 1024u);
}

TEST(GrowArray, CopiesAreIndependent) {
  GrowArray<int> a;
  for (int i = 0; i < 300; ++i) a.Push(i);
  GrowArray<int> b(a);
  b[0] = 42;
  EXPECT_EQ(a[0], 0);
  EXPECT_EQ(b.Size(), 300u);
  EXPECT_EQ(b.Capacity(), 512u);
  GrowArray<int> c;
  c = b;
  c = c;
  EXPECT_EQ(c[0], 42);
  EXPECT_EQ(c[299], 299);
}
