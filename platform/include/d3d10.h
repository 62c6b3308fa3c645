// The subset of Direct3D 10 the engine uses, with the published names,
// layouts and values. Implemented over OpenGL 4.5 core (platform/d3d10).
#pragma once

#include "windows.h"
#include "dxgi.h"

#define D3D10_SDK_VERSION 29

#define D3D10_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT 16
#define D3D10_IA_VERTEX_INPUT_STRUCTURE_ELEMENT_COUNT 16
#define D3D10_SIMULTANEOUS_RENDER_TARGET_COUNT 8
#define D3D10_COMMONSHADER_INPUT_RESOURCE_SLOT_COUNT 128
#define D3D10_COMMONSHADER_SAMPLER_SLOT_COUNT 16
#define D3D10_COMMONSHADER_CONSTANT_BUFFER_API_SLOT_COUNT 14
#define D3D10_VIEWPORT_AND_SCISSORRECT_OBJECT_COUNT_PER_PIPELINE 16
#define D3D10_APPEND_ALIGNED_ELEMENT 0xffffffff
#define D3D10_DEFAULT_STENCIL_READ_MASK 0xff
#define D3D10_DEFAULT_STENCIL_WRITE_MASK 0xff
#define D3D10_REQ_TEXTURE2D_U_OR_V_DIMENSION 8192
#define D3D10_REQ_TEXTURE1D_U_DIMENSION 8192
#define D3D10_REQ_TEXTURE3D_U_V_OR_W_DIMENSION 2048
#define D3D10_REQ_TEXTURECUBE_DIMENSION 8192
#define D3D10_REQ_TEXTURE2D_ARRAY_AXIS_DIMENSION 512
#define D3D10_REQ_MIP_LEVELS 14
#define D3D10_REQ_MAXANISOTROPY 16
#define D3D10_FLOAT32_MAX 3.402823466e+38f
#define D3D10_MIP_LOD_BIAS_MAX 15.99f
#define D3D10_MIP_LOD_BIAS_MIN -16.0f
#define D3D10_MAX_MAXANISOTROPY 16
#define D3D10_DEFAULT_SAMPLE_MASK 0xffffffff
#define D3D10_REQ_CONSTANT_BUFFER_ELEMENT_COUNT 4096
#define D3D10_REQ_RESOURCE_SIZE_IN_MEGABYTES 128

typedef enum D3D10_DRIVER_TYPE {
  D3D10_DRIVER_TYPE_HARDWARE = 0,
  D3D10_DRIVER_TYPE_REFERENCE = 1,
  D3D10_DRIVER_TYPE_NULL = 2,
  D3D10_DRIVER_TYPE_SOFTWARE = 3,
  D3D10_DRIVER_TYPE_WARP = 5
} D3D10_DRIVER_TYPE;

typedef enum D3D10_CREATE_DEVICE_FLAG {
  D3D10_CREATE_DEVICE_SINGLETHREADED = 0x1,
  D3D10_CREATE_DEVICE_DEBUG = 0x2,
  D3D10_CREATE_DEVICE_SWITCH_TO_REF = 0x4,
  D3D10_CREATE_DEVICE_PREVENT_INTERNAL_THREADING_OPTIMIZATIONS = 0x8,
  D3D10_CREATE_DEVICE_ALLOW_NULL_FROM_MAP = 0x10,
  D3D10_CREATE_DEVICE_BGRA_SUPPORT = 0x20
} D3D10_CREATE_DEVICE_FLAG;

typedef enum D3D10_PRIMITIVE_TOPOLOGY {
  D3D10_PRIMITIVE_TOPOLOGY_UNDEFINED = 0,
  D3D10_PRIMITIVE_TOPOLOGY_POINTLIST = 1,
  D3D10_PRIMITIVE_TOPOLOGY_LINELIST = 2,
  D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP = 3,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST = 4,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP = 5,
  D3D10_PRIMITIVE_TOPOLOGY_LINELIST_ADJ = 10,
  D3D10_PRIMITIVE_TOPOLOGY_LINESTRIP_ADJ = 11,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLELIST_ADJ = 12,
  D3D10_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP_ADJ = 13
} D3D10_PRIMITIVE_TOPOLOGY;

typedef enum D3D10_BLEND {
  D3D10_BLEND_ZERO = 1,
  D3D10_BLEND_ONE = 2,
  D3D10_BLEND_SRC_COLOR = 3,
  D3D10_BLEND_INV_SRC_COLOR = 4,
  D3D10_BLEND_SRC_ALPHA = 5,
  D3D10_BLEND_INV_SRC_ALPHA = 6,
  D3D10_BLEND_DEST_ALPHA = 7,
  D3D10_BLEND_INV_DEST_ALPHA = 8,
  D3D10_BLEND_DEST_COLOR = 9,
  D3D10_BLEND_INV_DEST_COLOR = 10,
  D3D10_BLEND_SRC_ALPHA_SAT = 11,
  D3D10_BLEND_BLEND_FACTOR = 14,
  D3D10_BLEND_INV_BLEND_FACTOR = 15,
  D3D10_BLEND_SRC1_COLOR = 16,
  D3D10_BLEND_INV_SRC1_COLOR = 17,
  D3D10_BLEND_SRC1_ALPHA = 18,
  D3D10_BLEND_INV_SRC1_ALPHA = 19
} D3D10_BLEND;

typedef enum D3D10_BLEND_OP {
  D3D10_BLEND_OP_ADD = 1,
  D3D10_BLEND_OP_SUBTRACT = 2,
  D3D10_BLEND_OP_REV_SUBTRACT = 3,
  D3D10_BLEND_OP_MIN = 4,
  D3D10_BLEND_OP_MAX = 5
} D3D10_BLEND_OP;

typedef enum D3D10_COLOR_WRITE_ENABLE {
  D3D10_COLOR_WRITE_ENABLE_RED = 1,
  D3D10_COLOR_WRITE_ENABLE_GREEN = 2,
  D3D10_COLOR_WRITE_ENABLE_BLUE = 4,
  D3D10_COLOR_WRITE_ENABLE_ALPHA = 8,
  D3D10_COLOR_WRITE_ENABLE_ALL = 15
} D3D10_COLOR_WRITE_ENABLE;

typedef struct D3D10_BLEND_DESC {
  BOOL AlphaToCoverageEnable;
  BOOL BlendEnable[8];
  D3D10_BLEND SrcBlend;
  D3D10_BLEND DestBlend;
  D3D10_BLEND_OP BlendOp;
  D3D10_BLEND SrcBlendAlpha;
  D3D10_BLEND DestBlendAlpha;
  D3D10_BLEND_OP BlendOpAlpha;
  UINT8 RenderTargetWriteMask[8];
} D3D10_BLEND_DESC;

typedef enum D3D10_DEPTH_WRITE_MASK {
  D3D10_DEPTH_WRITE_MASK_ZERO = 0,
  D3D10_DEPTH_WRITE_MASK_ALL = 1
} D3D10_DEPTH_WRITE_MASK;

typedef enum D3D10_COMPARISON_FUNC {
  D3D10_COMPARISON_NEVER = 1,
  D3D10_COMPARISON_LESS = 2,
  D3D10_COMPARISON_EQUAL = 3,
  D3D10_COMPARISON_LESS_EQUAL = 4,
  D3D10_COMPARISON_GREATER = 5,
  D3D10_COMPARISON_NOT_EQUAL = 6,
  D3D10_COMPARISON_GREATER_EQUAL = 7,
  D3D10_COMPARISON_ALWAYS = 8
} D3D10_COMPARISON_FUNC;

typedef enum D3D10_STENCIL_OP {
  D3D10_STENCIL_OP_KEEP = 1,
  D3D10_STENCIL_OP_ZERO = 2,
  D3D10_STENCIL_OP_REPLACE = 3,
  D3D10_STENCIL_OP_INCR_SAT = 4,
  D3D10_STENCIL_OP_DECR_SAT = 5,
  D3D10_STENCIL_OP_INVERT = 6,
  D3D10_STENCIL_OP_INCR = 7,
  D3D10_STENCIL_OP_DECR = 8
} D3D10_STENCIL_OP;

typedef struct D3D10_DEPTH_STENCILOP_DESC {
  D3D10_STENCIL_OP StencilFailOp;
  D3D10_STENCIL_OP StencilDepthFailOp;
  D3D10_STENCIL_OP StencilPassOp;
  D3D10_COMPARISON_FUNC StencilFunc;
} D3D10_DEPTH_STENCILOP_DESC;

typedef struct D3D10_DEPTH_STENCIL_DESC {
  BOOL DepthEnable;
  D3D10_DEPTH_WRITE_MASK DepthWriteMask;
  D3D10_COMPARISON_FUNC DepthFunc;
  BOOL StencilEnable;
  UINT8 StencilReadMask;
  UINT8 StencilWriteMask;
  D3D10_DEPTH_STENCILOP_DESC FrontFace;
  D3D10_DEPTH_STENCILOP_DESC BackFace;
} D3D10_DEPTH_STENCIL_DESC;

typedef enum D3D10_FILL_MODE {
  D3D10_FILL_WIREFRAME = 2,
  D3D10_FILL_SOLID = 3
} D3D10_FILL_MODE;

typedef enum D3D10_CULL_MODE {
  D3D10_CULL_NONE = 1,
  D3D10_CULL_FRONT = 2,
  D3D10_CULL_BACK = 3
} D3D10_CULL_MODE;

typedef struct D3D10_RASTERIZER_DESC {
  D3D10_FILL_MODE FillMode;
  D3D10_CULL_MODE CullMode;
  BOOL FrontCounterClockwise;
  INT DepthBias;
  FLOAT DepthBiasClamp;
  FLOAT SlopeScaledDepthBias;
  BOOL DepthClipEnable;
  BOOL ScissorEnable;
  BOOL MultisampleEnable;
  BOOL AntialiasedLineEnable;
} D3D10_RASTERIZER_DESC;

typedef enum D3D10_FILTER {
  D3D10_FILTER_MIN_MAG_MIP_POINT = 0,
  D3D10_FILTER_MIN_MAG_POINT_MIP_LINEAR = 0x1,
  D3D10_FILTER_MIN_POINT_MAG_LINEAR_MIP_POINT = 0x4,
  D3D10_FILTER_MIN_POINT_MAG_MIP_LINEAR = 0x5,
  D3D10_FILTER_MIN_LINEAR_MAG_MIP_POINT = 0x10,
  D3D10_FILTER_MIN_LINEAR_MAG_POINT_MIP_LINEAR = 0x11,
  D3D10_FILTER_MIN_MAG_LINEAR_MIP_POINT = 0x14,
  D3D10_FILTER_MIN_MAG_MIP_LINEAR = 0x15,
  D3D10_FILTER_ANISOTROPIC = 0x55,
  D3D10_FILTER_COMPARISON_MIN_MAG_MIP_POINT = 0x80,
  D3D10_FILTER_COMPARISON_MIN_MAG_POINT_MIP_LINEAR = 0x81,
  D3D10_FILTER_COMPARISON_MIN_POINT_MAG_LINEAR_MIP_POINT = 0x84,
  D3D10_FILTER_COMPARISON_MIN_POINT_MAG_MIP_LINEAR = 0x85,
  D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_MIP_POINT = 0x90,
  D3D10_FILTER_COMPARISON_MIN_LINEAR_MAG_POINT_MIP_LINEAR = 0x91,
  D3D10_FILTER_COMPARISON_MIN_MAG_LINEAR_MIP_POINT = 0x94,
  D3D10_FILTER_COMPARISON_MIN_MAG_MIP_LINEAR = 0x95,
  D3D10_FILTER_COMPARISON_ANISOTROPIC = 0xd5,
  D3D10_FILTER_TEXT_1BIT = (int)0x80000000
} D3D10_FILTER;

typedef enum D3D10_TEXTURE_ADDRESS_MODE {
  D3D10_TEXTURE_ADDRESS_WRAP = 1,
  D3D10_TEXTURE_ADDRESS_MIRROR = 2,
  D3D10_TEXTURE_ADDRESS_CLAMP = 3,
  D3D10_TEXTURE_ADDRESS_BORDER = 4,
  D3D10_TEXTURE_ADDRESS_MIRROR_ONCE = 5
} D3D10_TEXTURE_ADDRESS_MODE;

typedef struct D3D10_SAMPLER_DESC {
  D3D10_FILTER Filter;
  D3D10_TEXTURE_ADDRESS_MODE AddressU;
  D3D10_TEXTURE_ADDRESS_MODE AddressV;
  D3D10_TEXTURE_ADDRESS_MODE AddressW;
  FLOAT MipLODBias;
  UINT MaxAnisotropy;
  D3D10_COMPARISON_FUNC ComparisonFunc;
  FLOAT BorderColor[4];
  FLOAT MinLOD;
  FLOAT MaxLOD;
} D3D10_SAMPLER_DESC;

typedef enum D3D10_RESOURCE_DIMENSION {
  D3D10_RESOURCE_DIMENSION_UNKNOWN = 0,
  D3D10_RESOURCE_DIMENSION_BUFFER = 1,
  D3D10_RESOURCE_DIMENSION_TEXTURE1D = 2,
  D3D10_RESOURCE_DIMENSION_TEXTURE2D = 3,
  D3D10_RESOURCE_DIMENSION_TEXTURE3D = 4
} D3D10_RESOURCE_DIMENSION;

typedef enum D3D10_USAGE {
  D3D10_USAGE_DEFAULT = 0,
  D3D10_USAGE_IMMUTABLE = 1,
  D3D10_USAGE_DYNAMIC = 2,
  D3D10_USAGE_STAGING = 3
} D3D10_USAGE;

typedef enum D3D10_BIND_FLAG {
  D3D10_BIND_VERTEX_BUFFER = 0x1,
  D3D10_BIND_INDEX_BUFFER = 0x2,
  D3D10_BIND_CONSTANT_BUFFER = 0x4,
  D3D10_BIND_SHADER_RESOURCE = 0x8,
  D3D10_BIND_STREAM_OUTPUT = 0x10,
  D3D10_BIND_RENDER_TARGET = 0x20,
  D3D10_BIND_DEPTH_STENCIL = 0x40
} D3D10_BIND_FLAG;

typedef enum D3D10_CPU_ACCESS_FLAG {
  D3D10_CPU_ACCESS_WRITE = 0x10000,
  D3D10_CPU_ACCESS_READ = 0x20000
} D3D10_CPU_ACCESS_FLAG;

typedef enum D3D10_RESOURCE_MISC_FLAG {
  D3D10_RESOURCE_MISC_GENERATE_MIPS = 0x1,
  D3D10_RESOURCE_MISC_SHARED = 0x2,
  D3D10_RESOURCE_MISC_TEXTURECUBE = 0x4
} D3D10_RESOURCE_MISC_FLAG;

typedef enum D3D10_MAP {
  D3D10_MAP_READ = 1,
  D3D10_MAP_WRITE = 2,
  D3D10_MAP_READ_WRITE = 3,
  D3D10_MAP_WRITE_DISCARD = 4,
  D3D10_MAP_WRITE_NO_OVERWRITE = 5
} D3D10_MAP;

typedef enum D3D10_MAP_FLAG {
  D3D10_MAP_FLAG_DO_NOT_WAIT = 0x100000
} D3D10_MAP_FLAG;

typedef enum D3D10_CLEAR_FLAG {
  D3D10_CLEAR_DEPTH = 0x1,
  D3D10_CLEAR_STENCIL = 0x2
} D3D10_CLEAR_FLAG;

typedef enum D3D10_TEXTURECUBE_FACE {
  D3D10_TEXTURECUBE_FACE_POSITIVE_X = 0,
  D3D10_TEXTURECUBE_FACE_NEGATIVE_X = 1,
  D3D10_TEXTURECUBE_FACE_POSITIVE_Y = 2,
  D3D10_TEXTURECUBE_FACE_NEGATIVE_Y = 3,
  D3D10_TEXTURECUBE_FACE_POSITIVE_Z = 4,
  D3D10_TEXTURECUBE_FACE_NEGATIVE_Z = 5
} D3D10_TEXTURECUBE_FACE;

typedef enum D3D10_INPUT_CLASSIFICATION {
  D3D10_INPUT_PER_VERTEX_DATA = 0,
  D3D10_INPUT_PER_INSTANCE_DATA = 1
} D3D10_INPUT_CLASSIFICATION;

typedef struct D3D10_BUFFER_DESC {
  UINT ByteWidth;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_BUFFER_DESC;

typedef struct D3D10_TEXTURE1D_DESC {
  UINT Width;
  UINT MipLevels;
  UINT ArraySize;
  DXGI_FORMAT Format;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE1D_DESC;

typedef struct D3D10_TEXTURE2D_DESC {
  UINT Width;
  UINT Height;
  UINT MipLevels;
  UINT ArraySize;
  DXGI_FORMAT Format;
  DXGI_SAMPLE_DESC SampleDesc;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE2D_DESC;

typedef struct D3D10_TEXTURE3D_DESC {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  DXGI_FORMAT Format;
  D3D10_USAGE Usage;
  UINT BindFlags;
  UINT CPUAccessFlags;
  UINT MiscFlags;
} D3D10_TEXTURE3D_DESC;

typedef struct D3D10_SUBRESOURCE_DATA {
  const void* pSysMem;
  UINT SysMemPitch;
  UINT SysMemSlicePitch;
} D3D10_SUBRESOURCE_DATA;

typedef struct D3D10_MAPPED_TEXTURE2D {
  void* pData;
  UINT RowPitch;
} D3D10_MAPPED_TEXTURE2D;

typedef struct D3D10_MAPPED_TEXTURE3D {
  void* pData;
  UINT RowPitch;
  UINT DepthPitch;
} D3D10_MAPPED_TEXTURE3D;

typedef struct D3D10_BOX {
  UINT left;
  UINT top;
  UINT front;
  UINT right;
  UINT bottom;
  UINT back;
} D3D10_BOX;

typedef struct D3D10_VIEWPORT {
  INT TopLeftX;
  INT TopLeftY;
  UINT Width;
  UINT Height;
  FLOAT MinDepth;
  FLOAT MaxDepth;
} D3D10_VIEWPORT;

typedef RECT D3D10_RECT;

typedef struct D3D10_INPUT_ELEMENT_DESC {
  LPCSTR SemanticName;
  UINT SemanticIndex;
  DXGI_FORMAT Format;
  UINT InputSlot;
  UINT AlignedByteOffset;
  D3D10_INPUT_CLASSIFICATION InputSlotClass;
  UINT InstanceDataStepRate;
} D3D10_INPUT_ELEMENT_DESC;

typedef enum D3D10_SRV_DIMENSION {
  D3D10_SRV_DIMENSION_UNKNOWN = 0,
  D3D10_SRV_DIMENSION_BUFFER = 1,
  D3D10_SRV_DIMENSION_TEXTURE1D = 2,
  D3D10_SRV_DIMENSION_TEXTURE1DARRAY = 3,
  D3D10_SRV_DIMENSION_TEXTURE2D = 4,
  D3D10_SRV_DIMENSION_TEXTURE2DARRAY = 5,
  D3D10_SRV_DIMENSION_TEXTURE2DMS = 6,
  D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY = 7,
  D3D10_SRV_DIMENSION_TEXTURE3D = 8,
  D3D10_SRV_DIMENSION_TEXTURECUBE = 9
} D3D10_SRV_DIMENSION;

typedef enum D3D10_RTV_DIMENSION {
  D3D10_RTV_DIMENSION_UNKNOWN = 0,
  D3D10_RTV_DIMENSION_BUFFER = 1,
  D3D10_RTV_DIMENSION_TEXTURE1D = 2,
  D3D10_RTV_DIMENSION_TEXTURE1DARRAY = 3,
  D3D10_RTV_DIMENSION_TEXTURE2D = 4,
  D3D10_RTV_DIMENSION_TEXTURE2DARRAY = 5,
  D3D10_RTV_DIMENSION_TEXTURE2DMS = 6,
  D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY = 7,
  D3D10_RTV_DIMENSION_TEXTURE3D = 8
} D3D10_RTV_DIMENSION;

typedef enum D3D10_DSV_DIMENSION {
  D3D10_DSV_DIMENSION_UNKNOWN = 0,
  D3D10_DSV_DIMENSION_TEXTURE1D = 1,
  D3D10_DSV_DIMENSION_TEXTURE1DARRAY = 2,
  D3D10_DSV_DIMENSION_TEXTURE2D = 3,
  D3D10_DSV_DIMENSION_TEXTURE2DARRAY = 4,
  D3D10_DSV_DIMENSION_TEXTURE2DMS = 5,
  D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY = 6
} D3D10_DSV_DIMENSION;

typedef struct D3D10_BUFFER_SRV { UINT ElementOffset; UINT ElementWidth; } D3D10_BUFFER_SRV;
typedef struct D3D10_TEX1D_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEX1D_SRV;
typedef struct D3D10_TEX1D_ARRAY_SRV { UINT MostDetailedMip; UINT MipLevels; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX1D_ARRAY_SRV;
typedef struct D3D10_TEX2D_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEX2D_SRV;
typedef struct D3D10_TEX2D_ARRAY_SRV { UINT MostDetailedMip; UINT MipLevels; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_SRV;
typedef struct D3D10_TEX2DMS_SRV { UINT UnusedField_NothingToDefine; } D3D10_TEX2DMS_SRV;
typedef struct D3D10_TEX2DMS_ARRAY_SRV { UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2DMS_ARRAY_SRV;
typedef struct D3D10_TEX3D_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEX3D_SRV;
typedef struct D3D10_TEXCUBE_SRV { UINT MostDetailedMip; UINT MipLevels; } D3D10_TEXCUBE_SRV;

typedef struct D3D10_SHADER_RESOURCE_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_SRV_DIMENSION ViewDimension;
  union {
    D3D10_BUFFER_SRV Buffer;
    D3D10_TEX1D_SRV Texture1D;
    D3D10_TEX1D_ARRAY_SRV Texture1DArray;
    D3D10_TEX2D_SRV Texture2D;
    D3D10_TEX2D_ARRAY_SRV Texture2DArray;
    D3D10_TEX2DMS_SRV Texture2DMS;
    D3D10_TEX2DMS_ARRAY_SRV Texture2DMSArray;
    D3D10_TEX3D_SRV Texture3D;
    D3D10_TEXCUBE_SRV TextureCube;
  };
} D3D10_SHADER_RESOURCE_VIEW_DESC;

typedef struct D3D10_BUFFER_RTV { UINT ElementOffset; UINT ElementWidth; } D3D10_BUFFER_RTV;
typedef struct D3D10_TEX1D_RTV { UINT MipSlice; } D3D10_TEX1D_RTV;
typedef struct D3D10_TEX1D_ARRAY_RTV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX1D_ARRAY_RTV;
typedef struct D3D10_TEX2D_RTV { UINT MipSlice; } D3D10_TEX2D_RTV;
typedef struct D3D10_TEX2D_ARRAY_RTV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_RTV;
typedef struct D3D10_TEX2DMS_RTV { UINT UnusedField_NothingToDefine; } D3D10_TEX2DMS_RTV;
typedef struct D3D10_TEX2DMS_ARRAY_RTV { UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2DMS_ARRAY_RTV;
typedef struct D3D10_TEX3D_RTV { UINT MipSlice; UINT FirstWSlice; UINT WSize; } D3D10_TEX3D_RTV;

typedef struct D3D10_RENDER_TARGET_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_RTV_DIMENSION ViewDimension;
  union {
    D3D10_BUFFER_RTV Buffer;
    D3D10_TEX1D_RTV Texture1D;
    D3D10_TEX1D_ARRAY_RTV Texture1DArray;
    D3D10_TEX2D_RTV Texture2D;
    D3D10_TEX2D_ARRAY_RTV Texture2DArray;
    D3D10_TEX2DMS_RTV Texture2DMS;
    D3D10_TEX2DMS_ARRAY_RTV Texture2DMSArray;
    D3D10_TEX3D_RTV Texture3D;
  };
} D3D10_RENDER_TARGET_VIEW_DESC;

typedef struct D3D10_TEX1D_DSV { UINT MipSlice; } D3D10_TEX1D_DSV;
typedef struct D3D10_TEX1D_ARRAY_DSV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX1D_ARRAY_DSV;
typedef struct D3D10_TEX2D_DSV { UINT MipSlice; } D3D10_TEX2D_DSV;
typedef struct D3D10_TEX2D_ARRAY_DSV { UINT MipSlice; UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2D_ARRAY_DSV;
typedef struct D3D10_TEX2DMS_DSV { UINT UnusedField_NothingToDefine; } D3D10_TEX2DMS_DSV;
typedef struct D3D10_TEX2DMS_ARRAY_DSV { UINT FirstArraySlice; UINT ArraySize; } D3D10_TEX2DMS_ARRAY_DSV;

typedef struct D3D10_DEPTH_STENCIL_VIEW_DESC {
  DXGI_FORMAT Format;
  D3D10_DSV_DIMENSION ViewDimension;
  union {
    D3D10_TEX1D_DSV Texture1D;
    D3D10_TEX1D_ARRAY_DSV Texture1DArray;
    D3D10_TEX2D_DSV Texture2D;
    D3D10_TEX2D_ARRAY_DSV Texture2DArray;
    D3D10_TEX2DMS_DSV Texture2DMS;
    D3D10_TEX2DMS_ARRAY_DSV Texture2DMSArray;
  };
} D3D10_DEPTH_STENCIL_VIEW_DESC;

inline UINT D3D10CalcSubresource(UINT MipSlice, UINT ArraySlice, UINT MipLevels) {
  return MipSlice + ArraySlice * MipLevels;
}

struct ID3D10Device;

extern "C" const IID IID_ID3D10DeviceChild;
extern "C" const IID IID_ID3D10Resource;
extern "C" const IID IID_ID3D10Buffer;
extern "C" const IID IID_ID3D10Texture1D;
extern "C" const IID IID_ID3D10Texture2D;
extern "C" const IID IID_ID3D10Texture3D;
extern "C" const IID IID_ID3D10View;
extern "C" const IID IID_ID3D10ShaderResourceView;
extern "C" const IID IID_ID3D10RenderTargetView;
extern "C" const IID IID_ID3D10DepthStencilView;
extern "C" const IID IID_ID3D10InputLayout;
extern "C" const IID IID_ID3D10VertexShader;
extern "C" const IID IID_ID3D10GeometryShader;
extern "C" const IID IID_ID3D10PixelShader;
extern "C" const IID IID_ID3D10BlendState;
extern "C" const IID IID_ID3D10DepthStencilState;
extern "C" const IID IID_ID3D10RasterizerState;
extern "C" const IID IID_ID3D10SamplerState;
extern "C" const IID IID_ID3D10Device;

struct ID3D10DeviceChild : public IUnknown {
  virtual void STDMETHODCALLTYPE GetDevice(ID3D10Device** ppDevice) = 0;
};
MORVANE_DECLARE_UUID(ID3D10DeviceChild, IID_ID3D10DeviceChild);

struct ID3D10Resource : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetType(D3D10_RESOURCE_DIMENSION* rType) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Resource, IID_ID3D10Resource);

struct ID3D10Buffer : public ID3D10Resource {
  virtual HRESULT STDMETHODCALLTYPE Map(D3D10_MAP MapType, UINT MapFlags, void** ppData) = 0;
  virtual void STDMETHODCALLTYPE Unmap() = 0;
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_BUFFER_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Buffer, IID_ID3D10Buffer);

struct ID3D10Texture1D : public ID3D10Resource {
  virtual HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags, void** ppData) = 0;
  virtual void STDMETHODCALLTYPE Unmap(UINT Subresource) = 0;
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE1D_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Texture1D, IID_ID3D10Texture1D);

struct ID3D10Texture2D : public ID3D10Resource {
  virtual HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                        D3D10_MAPPED_TEXTURE2D* pMappedTex2D) = 0;
  virtual void STDMETHODCALLTYPE Unmap(UINT Subresource) = 0;
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE2D_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Texture2D, IID_ID3D10Texture2D);

struct ID3D10Texture3D : public ID3D10Resource {
  virtual HRESULT STDMETHODCALLTYPE Map(UINT Subresource, D3D10_MAP MapType, UINT MapFlags,
                                        D3D10_MAPPED_TEXTURE3D* pMappedTex3D) = 0;
  virtual void STDMETHODCALLTYPE Unmap(UINT Subresource) = 0;
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_TEXTURE3D_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Texture3D, IID_ID3D10Texture3D);

struct ID3D10View : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetResource(ID3D10Resource** ppResource) = 0;
};
MORVANE_DECLARE_UUID(ID3D10View, IID_ID3D10View);

struct ID3D10ShaderResourceView : public ID3D10View {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10ShaderResourceView, IID_ID3D10ShaderResourceView);

struct ID3D10RenderTargetView : public ID3D10View {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_RENDER_TARGET_VIEW_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10RenderTargetView, IID_ID3D10RenderTargetView);

struct ID3D10DepthStencilView : public ID3D10View {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10DepthStencilView, IID_ID3D10DepthStencilView);

struct ID3D10InputLayout : public ID3D10DeviceChild {};
MORVANE_DECLARE_UUID(ID3D10InputLayout, IID_ID3D10InputLayout);

struct ID3D10VertexShader : public ID3D10DeviceChild {};
MORVANE_DECLARE_UUID(ID3D10VertexShader, IID_ID3D10VertexShader);

struct ID3D10GeometryShader : public ID3D10DeviceChild {};
MORVANE_DECLARE_UUID(ID3D10GeometryShader, IID_ID3D10GeometryShader);

struct ID3D10PixelShader : public ID3D10DeviceChild {};
MORVANE_DECLARE_UUID(ID3D10PixelShader, IID_ID3D10PixelShader);

struct ID3D10BlendState : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_BLEND_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10BlendState, IID_ID3D10BlendState);

struct ID3D10DepthStencilState : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_DEPTH_STENCIL_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10DepthStencilState, IID_ID3D10DepthStencilState);

struct ID3D10RasterizerState : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_RASTERIZER_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10RasterizerState, IID_ID3D10RasterizerState);

struct ID3D10SamplerState : public ID3D10DeviceChild {
  virtual void STDMETHODCALLTYPE GetDesc(D3D10_SAMPLER_DESC* pDesc) = 0;
};
MORVANE_DECLARE_UUID(ID3D10SamplerState, IID_ID3D10SamplerState);

// Methods in the published order; those the engine never calls are left out.
struct ID3D10Device : public IUnknown {
  virtual void STDMETHODCALLTYPE VSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer* const* ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE PSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView* const* ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE PSSetShader(ID3D10PixelShader* pPixelShader) = 0;
  virtual void STDMETHODCALLTYPE PSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                               ID3D10SamplerState* const* ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE VSSetShader(ID3D10VertexShader* pVertexShader) = 0;
  virtual void STDMETHODCALLTYPE DrawIndexed(UINT IndexCount, UINT StartIndexLocation, INT BaseVertexLocation) = 0;
  virtual void STDMETHODCALLTYPE Draw(UINT VertexCount, UINT StartVertexLocation) = 0;
  virtual void STDMETHODCALLTYPE PSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer* const* ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE IASetInputLayout(ID3D10InputLayout* pInputLayout) = 0;
  virtual void STDMETHODCALLTYPE IASetVertexBuffers(UINT StartSlot, UINT NumBuffers,
                                                    ID3D10Buffer* const* ppVertexBuffers, const UINT* pStrides,
                                                    const UINT* pOffsets) = 0;
  virtual void STDMETHODCALLTYPE IASetIndexBuffer(ID3D10Buffer* pIndexBuffer, DXGI_FORMAT Format, UINT Offset) = 0;
  virtual void STDMETHODCALLTYPE DrawIndexedInstanced(UINT IndexCountPerInstance, UINT InstanceCount,
                                                      UINT StartIndexLocation, INT BaseVertexLocation,
                                                      UINT StartInstanceLocation) = 0;
  virtual void STDMETHODCALLTYPE DrawInstanced(UINT VertexCountPerInstance, UINT InstanceCount,
                                               UINT StartVertexLocation, UINT StartInstanceLocation) = 0;
  virtual void STDMETHODCALLTYPE GSSetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer* const* ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE GSSetShader(ID3D10GeometryShader* pShader) = 0;
  virtual void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY Topology) = 0;
  virtual void STDMETHODCALLTYPE VSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView* const* ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE VSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                               ID3D10SamplerState* const* ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE GSSetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView* const* ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE GSSetSamplers(UINT StartSlot, UINT NumSamplers,
                                               ID3D10SamplerState* const* ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE OMSetRenderTargets(UINT NumViews,
                                                    ID3D10RenderTargetView* const* ppRenderTargetViews,
                                                    ID3D10DepthStencilView* pDepthStencilView) = 0;
  virtual void STDMETHODCALLTYPE OMSetBlendState(ID3D10BlendState* pBlendState, const FLOAT BlendFactor[4],
                                                 UINT SampleMask) = 0;
  virtual void STDMETHODCALLTYPE OMSetDepthStencilState(ID3D10DepthStencilState* pDepthStencilState,
                                                        UINT StencilRef) = 0;
  virtual void STDMETHODCALLTYPE RSSetState(ID3D10RasterizerState* pRasterizerState) = 0;
  virtual void STDMETHODCALLTYPE RSSetViewports(UINT NumViewports, const D3D10_VIEWPORT* pViewports) = 0;
  virtual void STDMETHODCALLTYPE RSSetScissorRects(UINT NumRects, const D3D10_RECT* pRects) = 0;
  virtual void STDMETHODCALLTYPE CopySubresourceRegion(ID3D10Resource* pDstResource, UINT DstSubresource, UINT DstX,
                                                       UINT DstY, UINT DstZ, ID3D10Resource* pSrcResource,
                                                       UINT SrcSubresource, const D3D10_BOX* pSrcBox) = 0;
  virtual void STDMETHODCALLTYPE CopyResource(ID3D10Resource* pDstResource, ID3D10Resource* pSrcResource) = 0;
  virtual void STDMETHODCALLTYPE UpdateSubresource(ID3D10Resource* pDstResource, UINT DstSubresource,
                                                   const D3D10_BOX* pDstBox, const void* pSrcData, UINT SrcRowPitch,
                                                   UINT SrcDepthPitch) = 0;
  virtual void STDMETHODCALLTYPE ClearRenderTargetView(ID3D10RenderTargetView* pRenderTargetView,
                                                       const FLOAT ColorRGBA[4]) = 0;
  virtual void STDMETHODCALLTYPE ClearDepthStencilView(ID3D10DepthStencilView* pDepthStencilView, UINT ClearFlags,
                                                       FLOAT Depth, UINT8 Stencil) = 0;
  virtual void STDMETHODCALLTYPE GenerateMips(ID3D10ShaderResourceView* pShaderResourceView) = 0;
  virtual void STDMETHODCALLTYPE VSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer** ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE PSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView** ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE PSGetShader(ID3D10PixelShader** ppPixelShader) = 0;
  virtual void STDMETHODCALLTYPE PSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE VSGetShader(ID3D10VertexShader** ppVertexShader) = 0;
  virtual void STDMETHODCALLTYPE PSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer** ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE IAGetInputLayout(ID3D10InputLayout** ppInputLayout) = 0;
  virtual void STDMETHODCALLTYPE IAGetVertexBuffers(UINT StartSlot, UINT NumBuffers, ID3D10Buffer** ppVertexBuffers,
                                                    UINT* pStrides, UINT* pOffsets) = 0;
  virtual void STDMETHODCALLTYPE IAGetIndexBuffer(ID3D10Buffer** pIndexBuffer, DXGI_FORMAT* Format,
                                                  UINT* Offset) = 0;
  virtual void STDMETHODCALLTYPE GSGetConstantBuffers(UINT StartSlot, UINT NumBuffers,
                                                      ID3D10Buffer** ppConstantBuffers) = 0;
  virtual void STDMETHODCALLTYPE GSGetShader(ID3D10GeometryShader** ppGeometryShader) = 0;
  virtual void STDMETHODCALLTYPE IAGetPrimitiveTopology(D3D10_PRIMITIVE_TOPOLOGY* pTopology) = 0;
  virtual void STDMETHODCALLTYPE VSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView** ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE VSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE GSGetShaderResources(UINT StartSlot, UINT NumViews,
                                                      ID3D10ShaderResourceView** ppShaderResourceViews) = 0;
  virtual void STDMETHODCALLTYPE GSGetSamplers(UINT StartSlot, UINT NumSamplers, ID3D10SamplerState** ppSamplers) = 0;
  virtual void STDMETHODCALLTYPE OMGetRenderTargets(UINT NumViews, ID3D10RenderTargetView** ppRenderTargetViews,
                                                    ID3D10DepthStencilView** ppDepthStencilView) = 0;
  virtual void STDMETHODCALLTYPE OMGetBlendState(ID3D10BlendState** ppBlendState, FLOAT BlendFactor[4],
                                                 UINT* pSampleMask) = 0;
  virtual void STDMETHODCALLTYPE OMGetDepthStencilState(ID3D10DepthStencilState** ppDepthStencilState,
                                                        UINT* pStencilRef) = 0;
  virtual void STDMETHODCALLTYPE RSGetState(ID3D10RasterizerState** ppRasterizerState) = 0;
  virtual void STDMETHODCALLTYPE RSGetViewports(UINT* NumViewports, D3D10_VIEWPORT* pViewports) = 0;
  virtual void STDMETHODCALLTYPE RSGetScissorRects(UINT* NumRects, D3D10_RECT* pRects) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() = 0;
  virtual void STDMETHODCALLTYPE ClearState() = 0;
  virtual void STDMETHODCALLTYPE Flush() = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBuffer(const D3D10_BUFFER_DESC* pDesc,
                                                 const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                 ID3D10Buffer** ppBuffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTexture1D(const D3D10_TEXTURE1D_DESC* pDesc,
                                                    const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                    ID3D10Texture1D** ppTexture1D) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTexture2D(const D3D10_TEXTURE2D_DESC* pDesc,
                                                    const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                    ID3D10Texture2D** ppTexture2D) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateTexture3D(const D3D10_TEXTURE3D_DESC* pDesc,
                                                    const D3D10_SUBRESOURCE_DATA* pInitialData,
                                                    ID3D10Texture3D** ppTexture3D) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateShaderResourceView(ID3D10Resource* pResource,
                                                             const D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                                             ID3D10ShaderResourceView** ppSRView) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateRenderTargetView(ID3D10Resource* pResource,
                                                           const D3D10_RENDER_TARGET_VIEW_DESC* pDesc,
                                                           ID3D10RenderTargetView** ppRTView) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDepthStencilView(ID3D10Resource* pResource,
                                                           const D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc,
                                                           ID3D10DepthStencilView** ppDepthStencilView) = 0;
  // The signature is this platform's input signature blob or a vertex shader blob (see d3d10_platform.h).
  virtual HRESULT STDMETHODCALLTYPE CreateInputLayout(const D3D10_INPUT_ELEMENT_DESC* pInputElementDescs,
                                                      UINT NumElements, const void* pShaderBytecodeWithInputSignature,
                                                      SIZE_T BytecodeLength, ID3D10InputLayout** ppInputLayout) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateVertexShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                       ID3D10VertexShader** ppVertexShader) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateGeometryShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                         ID3D10GeometryShader** ppGeometryShader) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreatePixelShader(const void* pShaderBytecode, SIZE_T BytecodeLength,
                                                      ID3D10PixelShader** ppPixelShader) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateBlendState(const D3D10_BLEND_DESC* pBlendStateDesc,
                                                     ID3D10BlendState** ppBlendState) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateDepthStencilState(const D3D10_DEPTH_STENCIL_DESC* pDepthStencilDesc,
                                                            ID3D10DepthStencilState** ppDepthStencilState) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateRasterizerState(const D3D10_RASTERIZER_DESC* pRasterizerDesc,
                                                          ID3D10RasterizerState** ppRasterizerState) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateSamplerState(const D3D10_SAMPLER_DESC* pSamplerDesc,
                                                       ID3D10SamplerState** ppSamplerState) = 0;
};
MORVANE_DECLARE_UUID(ID3D10Device, IID_ID3D10Device);

extern "C" HRESULT WINAPI D3D10CreateDevice(IDXGIAdapter* pAdapter, D3D10_DRIVER_TYPE DriverType, HMODULE Software,
                                            UINT Flags, UINT SDKVersion, ID3D10Device** ppDevice);

// As in the published header, the effect, shader and blob declarations come
// with d3d10.h.
#include "d3d10misc.h"
#include "d3d10shader.h"
#include "d3d10effect.h"
