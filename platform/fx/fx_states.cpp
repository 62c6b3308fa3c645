#include "fx/fx_states.h"

#include <cfloat>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <strings.h>

#include "d3d10/d3d10_state.h"

namespace {

const FxStateName kBools[] = {{"FALSE", 0}, {"TRUE", 1}};
const FxStateName kBlends[] = {
    {"ZERO", D3D10_BLEND_ZERO},
    {"ONE", D3D10_BLEND_ONE},
    {"SRC_COLOR", D3D10_BLEND_SRC_COLOR},
    {"INV_SRC_COLOR", D3D10_BLEND_INV_SRC_COLOR},
    {"SRC_ALPHA", D3D10_BLEND_SRC_ALPHA},
    {"INV_SRC_ALPHA", D3D10_BLEND_INV_SRC_ALPHA},
    {"DEST_ALPHA", D3D10_BLEND_DEST_ALPHA},
    {"INV_DEST_ALPHA", D3D10_BLEND_INV_DEST_ALPHA},
    {"DEST_COLOR", D3D10_BLEND_DEST_COLOR},
    {"INV_DEST_COLOR", D3D10_BLEND_INV_DEST_COLOR},
    {"SRC_ALPHA_SAT", D3D10_BLEND_SRC_ALPHA_SAT},
    {"BLEND_FACTOR", D3D10_BLEND_BLEND_FACTOR},
    {"INV_BLEND_FACTOR", D3D10_BLEND_INV_BLEND_FACTOR},
    {"SRC1_COLOR", D3D10_BLEND_SRC1_COLOR},
    {"INV_SRC1_COLOR", D3D10_BLEND_INV_SRC1_COLOR},
    {"SRC1_ALPHA", D3D10_BLEND_SRC1_ALPHA},
    {"INV_SRC1_ALPHA", D3D10_BLEND_INV_SRC1_ALPHA},
};
const FxStateName kBlendOps[] = {{"ADD", D3D10_BLEND_OP_ADD},
                                 {"SUBTRACT", D3D10_BLEND_OP_SUBTRACT},
                                 {"REV_SUBTRACT", D3D10_BLEND_OP_REV_SUBTRACT},
                                 {"MIN", D3D10_BLEND_OP_MIN},
                                 {"MAX", D3D10_BLEND_OP_MAX}};
const FxStateName kComparisons[] = {{"NEVER", D3D10_COMPARISON_NEVER},
                                    {"LESS", D3D10_COMPARISON_LESS},
                                    {"EQUAL", D3D10_COMPARISON_EQUAL},
                                    {"LESS_EQUAL", D3D10_COMPARISON_LESS_EQUAL},
                                    {"GREATER", D3D10_COMPARISON_GREATER},
                                    {"NOT_EQUAL", D3D10_COMPARISON_NOT_EQUAL},
                                    {"GREATER_EQUAL", D3D10_COMPARISON_GREATER_EQUAL},
                                    {"ALWAYS", D3D10_COMPARISON_ALWAYS}};
const FxStateName kStencilOps[] = {{"KEEP", D3D10_STENCIL_OP_KEEP},         {"ZERO", D3D10_STENCIL_OP_ZERO},
                                   {"REPLACE", D3D10_STENCIL_OP_REPLACE},   {"INCR_SAT", D3D10_STENCIL_OP_INCR_SAT},
                                   {"DECR_SAT", D3D10_STENCIL_OP_DECR_SAT}, {"INVERT", D3D10_STENCIL_OP_INVERT},
                                   {"INCR", D3D10_STENCIL_OP_INCR},         {"DECR", D3D10_STENCIL_OP_DECR}};
const FxStateName kDepthWriteMasks[] = {{"ZERO", D3D10_DEPTH_WRITE_MASK_ZERO}, {"ALL", D3D10_DEPTH_WRITE_MASK_ALL}};
const FxStateName kFillModes[] = {{"WIREFRAME", D3D10_FILL_WIREFRAME}, {"SOLID", D3D10_FILL_SOLID}};
const FxStateName kCullModes[] = {{"NONE", D3D10_CULL_NONE}, {"FRONT", D3D10_CULL_FRONT}, {"BACK", D3D10_CULL_BACK}};
const FxStateName kAddressModes[] = {{"WRAP", D3D10_TEXTURE_ADDRESS_WRAP},
                                     {"MIRROR", D3D10_TEXTURE_ADDRESS_MIRROR},
                                     {"CLAMP", D3D10_TEXTURE_ADDRESS_CLAMP},
                                     {"BORDER", D3D10_TEXTURE_ADDRESS_BORDER},
                                     {"MIRROR_ONCE", D3D10_TEXTURE_ADDRESS_MIRROR_ONCE}};
const FxStateName kFilters[] = {
    {"MIN_MAG_MIP_POINT", D3D10_FILTER_MIN_MAG_MIP_POINT},
    {"MIN_MAG_POINT_MIP_LINEAR", D3D10_FILTER_MIN_MAG_POINT_MIP_LINEAR},
    {"MIN_POINT_MAG_LINEAR_MIP_POINT", D3D10_FILTER_MIN_POINT_MAG_LINEAR_MIP_POINT},
    {"MIN_POINT_MAG_MIP_LINEAR", D3D10_FILTER_MIN_POINT_MAG_MIP_LINEAR},
    {"MIN_LINEAR_MAG_MIP_POINT", D3D10_FILTER_MIN_LINEAR_MAG_MIP_POINT},
    {"MIN_LINEAR_MAG_POINT_MIP_LINEAR", D3D10_FILTER_MIN_LINEAR_MAG_POINT_MIP_LINEAR},
    {"MIN_MAG_LINEAR_MIP_POINT", D3D10_FILTER_MIN_MAG_LINEAR_MIP_POINT},
    {"MIN_MAG_MIP_LINEAR", D3D10_FILTER_MIN_MAG_MIP_LINEAR},
    {"ANISOTROPIC", D3D10_FILTER_ANISOTROPIC},
    {"COMPARISON_MIN_MAG_MIP_POINT", D3D10_FILTER_COMPARISON_MIN_MAG_MIP_POINT},
    {"COMPARISON_MIN_MAG_POINT_MIP_LINEAR", D3D10_FILTER_COMPARISON_MIN_MAG_POINT_MIP_LINEAR},
    {"COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT", D3D10_FILTER_COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT},
    {"COMPARISON_MIN_POINT_MAG_MIP_LINEAR", D3D10_FILTER_COMPARISON_MIN_POINT_MAG_MIP_LINEAR},
    {"COMPARISON_MIN_LINEAR_MAG_MIP_POINT", D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_MIP_POINT},
    {"COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR", D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR},
    {"COMPARISON_MIN_MAG_LINEAR_MIP_POINT", D3D10_FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT},
    {"COMPARISON_MIN_MAG_MIP_LINEAR", D3D10_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR},
    {"COMPARISON_ANISOTROPIC", D3D10_FILTER_COMPARISON_ANISOTROPIC},
};

#define FX_NAMES(table) table, std::size(table)
#define FX_NUMBER nullptr, 0

using Object = FxStateObject;
using Value = FxStateValue;

}  // namespace

const FxStateField kFxStateFields[] = {
    {Object::kBlend, "AlphaToCoverageEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_BLEND_DESC, AlphaToCoverageEnable)},
    {Object::kBlend, "BlendEnable", Value::kBool, FX_NAMES(kBools), 8, offsetof(D3D10_BLEND_DESC, BlendEnable)},
    {Object::kBlend, "SrcBlend", Value::kEnum, FX_NAMES(kBlends), 1, offsetof(D3D10_BLEND_DESC, SrcBlend)},
    {Object::kBlend, "DestBlend", Value::kEnum, FX_NAMES(kBlends), 1, offsetof(D3D10_BLEND_DESC, DestBlend)},
    {Object::kBlend, "BlendOp", Value::kEnum, FX_NAMES(kBlendOps), 1, offsetof(D3D10_BLEND_DESC, BlendOp)},
    {Object::kBlend, "SrcBlendAlpha", Value::kEnum, FX_NAMES(kBlends), 1, offsetof(D3D10_BLEND_DESC, SrcBlendAlpha)},
    {Object::kBlend, "DestBlendAlpha", Value::kEnum, FX_NAMES(kBlends), 1, offsetof(D3D10_BLEND_DESC, DestBlendAlpha)},
    {Object::kBlend, "BlendOpAlpha", Value::kEnum, FX_NAMES(kBlendOps), 1, offsetof(D3D10_BLEND_DESC, BlendOpAlpha)},
    {Object::kBlend, "RenderTargetWriteMask", Value::kUint8, FX_NUMBER, 8, offsetof(D3D10_BLEND_DESC, RenderTargetWriteMask)},
    {Object::kDepthStencil, "DepthEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, DepthEnable)},
    {Object::kDepthStencil, "DepthWriteMask", Value::kEnum, FX_NAMES(kDepthWriteMasks), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, DepthWriteMask)},
    {Object::kDepthStencil, "DepthFunc", Value::kEnum, FX_NAMES(kComparisons), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, DepthFunc)},
    {Object::kDepthStencil, "StencilEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, StencilEnable)},
    {Object::kDepthStencil, "StencilReadMask", Value::kUint8, FX_NUMBER, 1, offsetof(D3D10_DEPTH_STENCIL_DESC, StencilReadMask)},
    {Object::kDepthStencil, "StencilWriteMask", Value::kUint8, FX_NUMBER, 1, offsetof(D3D10_DEPTH_STENCIL_DESC, StencilWriteMask)},
    {Object::kDepthStencil, "FrontFaceStencilFail", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, FrontFace.StencilFailOp)},
    {Object::kDepthStencil, "FrontFaceStencilDepthFail", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, FrontFace.StencilDepthFailOp)},
    {Object::kDepthStencil, "FrontFaceStencilPass", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, FrontFace.StencilPassOp)},
    {Object::kDepthStencil, "FrontFaceStencilFunc", Value::kEnum, FX_NAMES(kComparisons), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, FrontFace.StencilFunc)},
    {Object::kDepthStencil, "BackFaceStencilFail", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, BackFace.StencilFailOp)},
    {Object::kDepthStencil, "BackFaceStencilDepthFail", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, BackFace.StencilDepthFailOp)},
    {Object::kDepthStencil, "BackFaceStencilPass", Value::kEnum, FX_NAMES(kStencilOps), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, BackFace.StencilPassOp)},
    {Object::kDepthStencil, "BackFaceStencilFunc", Value::kEnum, FX_NAMES(kComparisons), 1, offsetof(D3D10_DEPTH_STENCIL_DESC, BackFace.StencilFunc)},
    {Object::kRasterizer, "FillMode", Value::kEnum, FX_NAMES(kFillModes), 1, offsetof(D3D10_RASTERIZER_DESC, FillMode)},
    {Object::kRasterizer, "CullMode", Value::kEnum, FX_NAMES(kCullModes), 1, offsetof(D3D10_RASTERIZER_DESC, CullMode)},
    {Object::kRasterizer, "FrontCounterClockwise", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_RASTERIZER_DESC, FrontCounterClockwise)},
    {Object::kRasterizer, "DepthBias", Value::kInt, FX_NUMBER, 1, offsetof(D3D10_RASTERIZER_DESC, DepthBias)},
    {Object::kRasterizer, "DepthBiasClamp", Value::kFloat, FX_NUMBER, 1, offsetof(D3D10_RASTERIZER_DESC, DepthBiasClamp)},
    {Object::kRasterizer, "SlopeScaledDepthBias", Value::kFloat, FX_NUMBER, 1, offsetof(D3D10_RASTERIZER_DESC, SlopeScaledDepthBias)},
    {Object::kRasterizer, "DepthClipEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_RASTERIZER_DESC, DepthClipEnable)},
    {Object::kRasterizer, "ScissorEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_RASTERIZER_DESC, ScissorEnable)},
    {Object::kRasterizer, "MultisampleEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_RASTERIZER_DESC, MultisampleEnable)},
    {Object::kRasterizer, "AntialiasedLineEnable", Value::kBool, FX_NAMES(kBools), 1, offsetof(D3D10_RASTERIZER_DESC, AntialiasedLineEnable)},
    {Object::kSampler, "Filter", Value::kEnum, FX_NAMES(kFilters), 1, offsetof(D3D10_SAMPLER_DESC, Filter)},
    {Object::kSampler, "AddressU", Value::kEnum, FX_NAMES(kAddressModes), 1, offsetof(D3D10_SAMPLER_DESC, AddressU)},
    {Object::kSampler, "AddressV", Value::kEnum, FX_NAMES(kAddressModes), 1, offsetof(D3D10_SAMPLER_DESC, AddressV)},
    {Object::kSampler, "AddressW", Value::kEnum, FX_NAMES(kAddressModes), 1, offsetof(D3D10_SAMPLER_DESC, AddressW)},
    {Object::kSampler, "MipLODBias", Value::kFloat, FX_NUMBER, 1, offsetof(D3D10_SAMPLER_DESC, MipLODBias)},
    {Object::kSampler, "MaxAnisotropy", Value::kUint, FX_NUMBER, 1, offsetof(D3D10_SAMPLER_DESC, MaxAnisotropy)},
    {Object::kSampler, "ComparisonFunc", Value::kEnum, FX_NAMES(kComparisons), 1, offsetof(D3D10_SAMPLER_DESC, ComparisonFunc)},
    {Object::kSampler, "BorderColor", Value::kFloat4, FX_NUMBER, 1, offsetof(D3D10_SAMPLER_DESC, BorderColor)},
    {Object::kSampler, "MinLOD", Value::kFloat, FX_NUMBER, 1, offsetof(D3D10_SAMPLER_DESC, MinLOD)},
    {Object::kSampler, "MaxLOD", Value::kFloat, FX_NUMBER, 1, offsetof(D3D10_SAMPLER_DESC, MaxLOD)},
};
const std::size_t kFxStateFieldCount = std::size(kFxStateFields);

const FxStateField* FxFindStateField(FxStateObject object, const char* name) {
  for (const FxStateField& field : kFxStateFields) {
    if (field.object == object && !strcasecmp(field.name, name)) return &field;
  }
  return nullptr;
}

bool FxFindStateName(const FxStateField& field, const char* name, uint32_t* value) {
  for (std::size_t i = 0; i < field.nameCount; ++i) {
    if (!strcasecmp(field.names[i].name, name)) {
      *value = field.names[i].value;
      return true;
    }
  }
  return false;
}

const char* FxStateNameOf(const FxStateField& field, uint32_t value) {
  for (std::size_t i = 0; i < field.nameCount; ++i) {
    if (field.names[i].value == value) return field.names[i].name;
  }
  return nullptr;
}

namespace {

std::size_t ElementSize(const FxStateField& field) {
  switch (field.kind) {
    case FxStateValue::kUint8: return 1;
    case FxStateValue::kFloat4: return 16;
    default: return 4;
  }
}

}  // namespace

void FxStoreState(const FxStateField& field, uint32_t index, const double* values, void* desc) {
  uint8_t* at = static_cast<uint8_t*>(desc) + field.offset + index * ElementSize(field);
  switch (field.kind) {
    case FxStateValue::kUint8: {
      uint8_t value = static_cast<uint8_t>(static_cast<uint32_t>(values[0]));
      std::memcpy(at, &value, 1);
      break;
    }
    case FxStateValue::kFloat:
    case FxStateValue::kFloat4:
      for (std::size_t i = 0; i < ElementSize(field) / 4; ++i) {
        float value = static_cast<float>(values[i]);
        std::memcpy(at + 4 * i, &value, 4);
      }
      break;
    case FxStateValue::kInt: {
      int32_t value = static_cast<int32_t>(values[0]);
      std::memcpy(at, &value, 4);
      break;
    }
    default: {
      uint32_t value = values[0] < 0 ? static_cast<uint32_t>(static_cast<int64_t>(values[0]))
                                     : static_cast<uint32_t>(values[0]);
      if (field.kind == FxStateValue::kBool) value = value != 0;
      std::memcpy(at, &value, 4);
      break;
    }
  }
}

void FxLoadState(const FxStateField& field, uint32_t index, const void* desc, double* values) {
  const uint8_t* at = static_cast<const uint8_t*>(desc) + field.offset + index * ElementSize(field);
  switch (field.kind) {
    case FxStateValue::kUint8:
      values[0] = at[0];
      break;
    case FxStateValue::kFloat:
    case FxStateValue::kFloat4:
      for (std::size_t i = 0; i < ElementSize(field) / 4; ++i) {
        float value;
        std::memcpy(&value, at + 4 * i, 4);
        values[i] = value;
      }
      break;
    case FxStateValue::kInt: {
      int32_t value;
      std::memcpy(&value, at, 4);
      values[0] = value;
      break;
    }
    default: {
      uint32_t value;
      std::memcpy(&value, at, 4);
      values[0] = value;
      break;
    }
  }
}

const D3D10_BLEND_DESC& FxDefaultBlendDesc() { return kD3D10DefaultBlendDesc; }
const D3D10_DEPTH_STENCIL_DESC& FxDefaultDepthStencilDesc() { return kD3D10DefaultDepthStencilDesc; }
const D3D10_RASTERIZER_DESC& FxDefaultRasterizerDesc() { return kD3D10DefaultRasterizerDesc; }

const D3D10_SAMPLER_DESC& FxDefaultSamplerDesc() {
  // An effect's sampler state starts from these, which differ from the
  // device's null sampler in anisotropy and border colour.
  static const D3D10_SAMPLER_DESC desc = {D3D10_FILTER_MIN_MAG_MIP_LINEAR,
                                          D3D10_TEXTURE_ADDRESS_CLAMP,
                                          D3D10_TEXTURE_ADDRESS_CLAMP,
                                          D3D10_TEXTURE_ADDRESS_CLAMP,
                                          0.0f,
                                          16,
                                          D3D10_COMPARISON_NEVER,
                                          {0.0f, 0.0f, 0.0f, 0.0f},
                                          -FLT_MAX,
                                          FLT_MAX};
  return desc;
}
