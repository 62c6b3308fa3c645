// The state table of effect state blocks, walked whole.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>

#include "fx/fx_compiler.h"
#include "fx/fx_states.h"

namespace {

std::size_t DescSize(FxStateObject object) {
  switch (object) {
    case FxStateObject::kBlend: return sizeof(D3D10_BLEND_DESC);
    case FxStateObject::kDepthStencil: return sizeof(D3D10_DEPTH_STENCIL_DESC);
    case FxStateObject::kRasterizer: return sizeof(D3D10_RASTERIZER_DESC);
    default: return sizeof(D3D10_SAMPLER_DESC);
  }
}

std::size_t ElementSize(const FxStateField& field) {
  return field.kind == FxStateValue::kUint8 ? 1 : field.kind == FxStateValue::kFloat4 ? 16 : 4;
}

TEST(StateTable, EveryFieldIsFoundStoredAndReadBack) {
  std::set<std::string> seen;
  std::size_t perObject[4] = {};
  for (std::size_t i = 0; i < kFxStateFieldCount; ++i) {
    const FxStateField& field = kFxStateFields[i];
    SCOPED_TRACE(field.name);
    ++perObject[static_cast<int>(field.object)];
    // Names are unique within an object and found without regard to case.
    EXPECT_TRUE(seen.insert(std::to_string(static_cast<int>(field.object)) + field.name).second);
    std::string lower = field.name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(&field, FxFindStateField(field.object, lower.c_str()));
    // Each element lies inside its description.
    EXPECT_LE(field.offset + field.elements * ElementSize(field), DescSize(field.object));
    EXPECT_EQ(field.names != nullptr, field.kind == FxStateValue::kEnum || field.kind == FxStateValue::kBool);
    uint8_t desc[sizeof(D3D10_SAMPLER_DESC) + sizeof(D3D10_DEPTH_STENCIL_DESC)] = {};
    for (uint32_t e = 0; e < field.elements; ++e) {
      double values[4] = {3, 1.5, -2, 0.25}, back[4] = {};
      if (field.names) values[0] = field.names[field.nameCount - 1].value;
      FxStoreState(field, e, values, desc);
      FxLoadState(field, e, desc, back);
      std::size_t count = field.kind == FxStateValue::kFloat4 ? 4 : 1;
      for (std::size_t c = 0; c < count; ++c) EXPECT_EQ(values[c], back[c]);
    }
    // Every value name reads back to its value and its name.
    for (std::size_t n = 0; n < field.nameCount; ++n) {
      uint32_t value = 0;
      ASSERT_TRUE(FxFindStateName(field, field.names[n].name, &value));
      EXPECT_EQ(field.names[n].value, value);
      if (field.kind == FxStateValue::kEnum) {
        EXPECT_STREQ(field.names[n].name, FxStateNameOf(field, value));
      }
    }
  }
  // Every field of the four descriptions, BlendEnable[8] and the rest counted once.
  EXPECT_EQ(9u, perObject[static_cast<int>(FxStateObject::kBlend)]);
  EXPECT_EQ(14u, perObject[static_cast<int>(FxStateObject::kDepthStencil)]);
  EXPECT_EQ(10u, perObject[static_cast<int>(FxStateObject::kRasterizer)]);
  EXPECT_EQ(10u, perObject[static_cast<int>(FxStateObject::kSampler)]);
  EXPECT_EQ(nullptr, FxFindStateField(FxStateObject::kBlend, "Filter"));
}

// A state block naming every field of every object compiles to the values
// the table gives them.
TEST(StateTable, EveryFieldCompilesFromAStateBlock) {
  static const char* const kObjects[] = {"BlendState", "DepthStencilState", "RasterizerState", "SamplerState"};
  std::string source;
  for (int object = 0; object < 4; ++object) {
    source += std::string(kObjects[object]) + " S" + std::to_string(object) + " {\n";
    for (std::size_t i = 0; i < kFxStateFieldCount; ++i) {
      const FxStateField& field = kFxStateFields[i];
      if (static_cast<int>(field.object) != object) continue;
      std::string name = field.name + std::string(field.elements > 1 ? "[1]" : "");
      std::string value = field.names ? field.names[field.nameCount - 1].name
                          : field.kind == FxStateValue::kFloat4 ? "float4(0.5, 0.25, 1, 0)"
                                                                : "2";
      source += "  " + name + " = " + value + ";\n";
    }
    source += "};\n";
  }
  FxEffectObject object;
  std::string messages;
  ASSERT_TRUE(FxCompile(source, FxCompileOptions(), &object, &messages)) << messages << source;
  ASSERT_EQ(4u, object.objects.size());
  const void* descs[] = {&object.objects[0].blends[0], &object.objects[1].depthStencils[0],
                         &object.objects[2].rasterizers[0], &object.objects[3].samplers[0]};
  for (std::size_t i = 0; i < kFxStateFieldCount; ++i) {
    const FxStateField& field = kFxStateFields[i];
    double values[4];
    FxLoadState(field, field.elements > 1 ? 1 : 0, descs[static_cast<int>(field.object)], values);
    double expected = field.names ? field.names[field.nameCount - 1].value : field.kind == FxStateValue::kFloat4 ? 0.5 : 2;
    EXPECT_EQ(expected, values[0]) << field.name;
  }
}

}  // namespace
