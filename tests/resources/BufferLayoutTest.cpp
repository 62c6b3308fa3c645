#include <gtest/gtest.h>

#include <morvane/BufferLayout.h>

#include "DeviceFixture.h"

namespace {

BUFFER_ELEMENT_DESC Element(const char* name, unsigned int index, DXGI_FORMAT format, unsigned int offset,
                            int slotClass = 0) {
  return BUFFER_ELEMENT_DESC{name, index, static_cast<int>(format), 0, offset, slotClass, slotClass ? 1u : 0u};
}

}  // namespace

TEST(BufferLayoutNames, ConcatenatesEveryElement) {
  BUFFER_ELEMENT_DESC elements[] = {Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0),
                                    Element("TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 12)};
  EXPECT_EQ(LayoutManager::LayoutName(elements, 2), "POSITION0-6-0-000TEXCOORD0-16-12-000");
  EXPECT_EQ(LayoutManager::LayoutName(elements, 0), "");
}

TEST(BufferLayoutNames, SignatureZeroBytesBecome255) {
  const unsigned char a[] = {1, 0, 2, 255};
  const unsigned char b[] = {1, 255, 2, 0};
  EXPECT_EQ(LayoutManager::SignatureName(a, 4), LayoutManager::SignatureName(b, 4));
  EXPECT_EQ(LayoutManager::SignatureName(a, 4), std::string("\x01\xFF\x02\xFF", 4));
}

TEST(BufferLayoutCounts, CountsExactSemanticNames) {
  BUFFER_ELEMENT_DESC elements[] = {Element("TEXCOORD", 0, DXGI_FORMAT_R32G32_FLOAT, 0),
                                    Element("TEXCOORD", 1, DXGI_FORMAT_R32G32_FLOAT, 8),
                                    Element("NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 16),
                                    Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 28),
                                    Element("color", 0, DXGI_FORMAT_R8G8B8A8_UNORM, 40)};
  BufferLayout* layout = new BufferLayout(elements, 5);
  EXPECT_EQ(layout->GetTexCoordCount(), 2);
  EXPECT_EQ(layout->GetNormalCount(), 1);
  EXPECT_EQ(layout->GetColorCount(), 0);
  EXPECT_EQ(layout->GetTangentCount(), 0);
  EXPECT_FALSE(layout->HasInstanceData());
  EXPECT_EQ(layout->GetElement(3).SemanticName, "POSITION");
  EXPECT_EQ(layout->GetElement(3).AlignedByteOffset, 28u);
  layout->Release();

  BUFFER_ELEMENT_DESC instanced[] = {Element("TANGENT", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 1)};
  layout = new BufferLayout(instanced, 1);
  EXPECT_TRUE(layout->HasInstanceData());
  EXPECT_EQ(layout->GetTangentCount(), 1);
  layout->Release();

  layout = new BufferLayout(nullptr, 0);
  EXPECT_EQ(layout->GetElements(), nullptr);
  EXPECT_EQ(layout->GetElementCount(), 0u);
  layout->Release();
}

using LayoutManagerTest = DeviceFixture;

TEST_F(LayoutManagerTest, EqualContentSharesOneObject) {
  LayoutManager* layouts = device->GetLayoutManager();
  BUFFER_ELEMENT_DESC elements[] = {Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0)};
  BUFFER_ELEMENT_DESC shifted[] = {Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 4)};
  BufferLayout* a = layouts->CreateBufferLayout(elements, 1);
  BufferLayout* b = layouts->CreateBufferLayout(elements, 1);
  BufferLayout* c = layouts->CreateBufferLayout(shifted, 1);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a->GetRefCount(), 2);
  EXPECT_NE(a, c);
  EXPECT_EQ(a->GetName(), "POSITION0-6-0-000");

  const unsigned char code1[] = {7, 0, 9};
  const unsigned char code2[] = {7, 255, 9};
  InputSignature* s1 = layouts->CreateInputSignature(code1, 3);
  InputSignature* s2 = layouts->CreateInputSignature(code2, 3);
  EXPECT_EQ(s1, s2);
  EXPECT_EQ(s1->GetSignatureSize(), 3u);
  EXPECT_EQ(s1->GetSignatureCode()[1], 0);

  for (Resource* r : std::initializer_list<Resource*>{a, b, c, s1, s2}) r->Release(true);
}

TEST_F(LayoutManagerTest, RefusedPairIsCachedAndReported) {
  LayoutManager* layouts = device->GetLayoutManager();
  BUFFER_ELEMENT_DESC elements[] = {Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0)};
  BufferLayout* layout = layouts->CreateBufferLayout(elements, 1);
  const unsigned char garbage[] = {1, 2, 3, 4};
  InputSignature* signature = layouts->CreateInputSignature(garbage, 4);

  EXPECT_EQ(layouts->GetInputLayout(nullptr, signature), nullptr);
  EXPECT_EQ(layouts->GetInputLayout(layout, nullptr), nullptr);
  EXPECT_TRUE(log.entries.empty());

  EXPECT_EQ(layouts->GetInputLayout(layout, signature), nullptr);
  EXPECT_EQ(layouts->GetInputLayout(layout, signature), nullptr);
  EXPECT_EQ(log.entries, (std::vector<RecordingLogger::Entry>{
                             {RecordingLogger::kWriteLine, 0, "Error@GetInputLayout: Creating inputlayout failed."},
                             {RecordingLogger::kWriteLine, 0, "Layout is invalid."}}));
  layout->Release(true);
  signature->Release(true);
}

TEST_F(LayoutManagerTest, LeakReportCountsLiveLayouts) {
  LayoutManager* layouts = device->GetLayoutManager();
  BUFFER_ELEMENT_DESC a[] = {Element("POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0)};
  BUFFER_ELEMENT_DESC b[] = {Element("NORMAL", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0)};
  BufferLayout* live1 = layouts->CreateBufferLayout(a, 1);
  BufferLayout* live2 = layouts->CreateBufferLayout(b, 1);
  device.reset();
  EXPECT_EQ(log.entries, (std::vector<RecordingLogger::Entry>{{RecordingLogger::kWarning, 3, "2 unfreed layouts."}}));
  live1->Release();
  live2->Release();
}
