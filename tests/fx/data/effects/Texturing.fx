//--------------------------------------------------------------------------------------
// Texturing.fx: a diffuse texture modulated by a tint, with two samplers
//--------------------------------------------------------------------------------------
Texture2D g_txDiffuse <string ResourceName = "checker.bmp";>;
Texture2DArray g_txLayers;

SamplerState samPoint
{
    Filter = MIN_MAG_MIP_POINT;
    AddressU = Wrap;
    AddressV = Wrap;
};

SamplerState samLinear
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = CLAMP;
    AddressV = CLAMP;
    MaxAnisotropy = 1;
    BorderColor = float4(0, 0, 0, 1);
};

cbuffer cbPerObject
{
    float4x4 g_mWorldViewProj;
    float4 g_vTint = float4(1, 1, 1, 1);
    float2 g_vTexScale = {1, 1};
};

struct VS_INPUT
{
    float3 Pos : POSITION;
    float2 Tex : TEXCOORD;
};

struct PS_INPUT
{
    float4 Pos : SV_POSITION;
    float2 Tex : TEXCOORD0;
};

PS_INPUT VS(VS_INPUT input)
{
    PS_INPUT output;
    output.Pos = mul(float4(input.Pos, 1), g_mWorldViewProj);
    output.Tex = input.Tex * g_vTexScale;
    return output;
}

float4 PS(PS_INPUT input, uniform bool bLinear) : SV_Target
{
    float4 color = bLinear ? g_txDiffuse.Sample(samLinear, input.Tex) : g_txDiffuse.Sample(samPoint, input.Tex);
    return color * g_vTint;
}

float4 PSLayers(PS_INPUT input) : SV_Target
{
    uint width, height, layers;
    g_txLayers.GetDimensions(width, height, layers);
    return g_txLayers.SampleLevel(samPoint, float3(input.Tex, layers - 1), 0) + g_txDiffuse.Load(int3(0, 0, 0)) * 0.5;
}

technique10 Point
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS(false)));
    }
}

technique10 Linear
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PS(true)));
    }
}

technique10 Layers
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, PSLayers()));
    }
}
