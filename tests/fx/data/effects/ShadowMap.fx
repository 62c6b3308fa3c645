//--------------------------------------------------------------------------------------
// ShadowMap.fx: a depth pass into a shadow map, then a scene pass that
// compares against it with a comparison sampler
//--------------------------------------------------------------------------------------
cbuffer cbLight
{
    row_major float4x4 g_mLightViewProj;
    float g_fDepthBias = 0.005;
};

cbuffer cbCamera
{
    float4x4 g_mWorld;
    float4x4 g_mViewProj;
};

Texture2D g_txShadowMap;

SamplerComparisonState samShadow
{
    Filter = COMPARISON_MIN_MAG_LINEAR_MIP_POINT;
    AddressU = BORDER;
    AddressV = BORDER;
    BorderColor = float4(1, 1, 1, 1);
    ComparisonFunc = LESS_EQUAL;
};

RasterizerState DepthBias
{
    DepthBias = 100;
    SlopeScaledDepthBias = 1.5;
    DepthBiasClamp = 0.0;
    CullMode = FRONT;
};

DepthStencilState DepthWrite
{
    DepthEnable = true;
    DepthWriteMask = All;
    DepthFunc = Less;
    StencilEnable = false;
    StencilReadMask = 0xFF;
    StencilWriteMask = 0x00;
    FrontFaceStencilFunc = Always;
    FrontFaceStencilPass = Keep;
    BackFaceStencilFunc = Always;
};

float4 VSDepth(float3 pos : POSITION) : SV_Position
{
    return mul(mul(float4(pos, 1), g_mWorld), g_mLightViewProj);
}

struct PS_SCENE
{
    float4 Pos : SV_Position;
    float4 LightPos : TEXCOORD0;
};

PS_SCENE VSScene(float3 pos : POSITION)
{
    PS_SCENE output;
    float4 world = mul(float4(pos, 1), g_mWorld);
    output.Pos = mul(world, g_mViewProj);
    output.LightPos = mul(world, g_mLightViewProj);
    return output;
}

float4 PSScene(PS_SCENE input) : SV_Target
{
    float2 uv = input.LightPos.xy / input.LightPos.w * float2(0.5, -0.5) + 0.5;
    float depth = input.LightPos.z / input.LightPos.w - g_fDepthBias;
    float lit = g_txShadowMap.SampleCmpLevelZero(samShadow, uv, depth);
    return float4(lit.xxx * 0.8 + 0.2, 1);
}

technique10 RenderShadowDepth
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VSDepth()));
        SetGeometryShader(NULL);
        SetPixelShader(NULL);
        SetRasterizerState(DepthBias);
        SetDepthStencilState(DepthWrite, 0);
    }
}

technique10 RenderScene
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VSScene()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PSScene()));
        SetRasterizerState(NULL);
        SetDepthStencilState(DepthWrite, 0);
    }
}
