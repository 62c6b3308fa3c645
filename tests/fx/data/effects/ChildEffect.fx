//--------------------------------------------------------------------------------------
// ChildEffect.fx: an effect of a pool, reading the pool's shared values
//--------------------------------------------------------------------------------------
shared cbuffer cbShared
{
    float4x4 g_mViewProj : VIEWPROJECTION;
    float4 g_vSceneColor : SCENECOLOR;
    float g_fTime : TIME;
};

shared Texture2D g_txEnvironment;
shared SamplerState samShared;

cbuffer cbObject
{
    float4x4 g_mWorld : WORLD;
    float g_fBlend = 0.0;
};

struct VS_INPUT { float3 Pos : POSITION; float4 Color : COLOR; };
struct PS_INPUT { float4 Pos : SV_POSITION; float4 Color : COLOR; };

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT output;
    output.Pos = mul(mul(float4(input.Pos, 1), g_mWorld), g_mViewProj);
    output.Color = input.Color;
    return output;
}

float4 PS(PS_INPUT input) : SV_Target
{
    return lerp(g_vSceneColor, g_txEnvironment.Sample(samShared, float2(0.5, 0.5)), g_fBlend);
}

technique10 Render
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
