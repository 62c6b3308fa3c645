// The state assignments of effect state blocks: every field of the blend,
// depth-stencil, rasterizer and sampler descriptions by its effect-file
// name, and the names of the values it takes. Names compare without regard
// to case, as in effect files.
#pragma once

#include <d3d10.h>

#include <cstddef>
#include <cstdint>

enum class FxStateObject { kBlend, kDepthStencil, kRasterizer, kSampler };

// How a field's value is written.
enum class FxStateValue { kBool, kUint8, kUint, kInt, kFloat, kFloat4, kEnum };

struct FxStateName {
  const char* name;
  uint32_t value;
};

struct FxStateField {
  FxStateObject object;
  const char* name;
  FxStateValue kind;
  const FxStateName* names;  // the values of an enumeration, else null
  std::size_t nameCount;
  uint32_t elements;  // 1, or the array size of BlendEnable[8] and the like
  std::size_t offset;  // of element 0 in the description
};

extern const FxStateField kFxStateFields[];
extern const std::size_t kFxStateFieldCount;

// The field of a state object with that name, or null.
const FxStateField* FxFindStateField(FxStateObject object, const char* name);
// The value of a name for an enumeration field (TRUE and FALSE for booleans).
bool FxFindStateName(const FxStateField& field, const char* name, uint32_t* value);
// The name of a value of an enumeration or boolean field, or null.
const char* FxStateNameOf(const FxStateField& field, uint32_t value);

// Writes element `index` of the field into a description of the field's
// object. `values` holds four numbers for kFloat4 and one otherwise.
void FxStoreState(const FxStateField& field, uint32_t index, const double* values, void* desc);
// Reads element `index` of the field, as FxStoreState writes it.
void FxLoadState(const FxStateField& field, uint32_t index, const void* desc, double* values);

// The descriptions a state block starts from.
const D3D10_BLEND_DESC& FxDefaultBlendDesc();
const D3D10_DEPTH_STENCIL_DESC& FxDefaultDepthStencilDesc();
const D3D10_RASTERIZER_DESC& FxDefaultRasterizerDesc();
const D3D10_SAMPLER_DESC& FxDefaultSamplerDesc();
