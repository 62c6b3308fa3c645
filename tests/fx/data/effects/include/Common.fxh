//--------------------------------------------------------------------------------------
// Common.fxh: shared declarations of the sample effects
//--------------------------------------------------------------------------------------
#ifndef COMMON_FXH
#define COMMON_FXH

#define MAX_LIGHTS 2

struct VS_INPUT
{
    float3 Pos    : POSITION;
    float3 Normal : NORMAL;
    float2 Tex    : TEXCOORD0;
};

struct PS_INPUT
{
    float4 Pos      : SV_POSITION;
    float3 WorldPos : POSITION;
    float3 Normal   : NORMAL;
    float2 Tex      : TEXCOORD0;
};

DepthStencilState EnableDepth
{
    DepthEnable = TRUE;
    DepthWriteMask = ALL;
    DepthFunc = LESS_EQUAL;
};

BlendState NoBlending
{
    AlphaToCoverageEnable = FALSE;
    BlendEnable[0] = FALSE;
};

#endif
