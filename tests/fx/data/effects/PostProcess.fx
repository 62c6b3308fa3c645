//--------------------------------------------------------------------------------------
// PostProcess.fx: full-screen passes (bright pass, separable blur, combine)
// over a full-screen triangle made from SV_VertexID
//--------------------------------------------------------------------------------------
#define KERNEL 5

Texture2D g_txSource;
Texture2D g_txBloom;

SamplerState samClamp
{
    Filter = MIN_MAG_LINEAR_MIP_POINT;
    AddressU = Clamp;
    AddressV = Clamp;
};

cbuffer cbPostProcess
{
    float2 g_vTexelSize;
    float g_fThreshold = 0.8;
    float g_fBloomScale = 1.5;
    float g_fWeights[KERNEL] = {0.0545, 0.2442, 0.4026, 0.2442, 0.0545};
    int g_iMode = 0;
};

DepthStencilState NoDepth
{
    DepthEnable = FALSE;
    DepthWriteMask = ZERO;
};

struct QuadVS_Output
{
    float4 Pos : SV_POSITION;
    float2 Tex : TEXCOORD0;
};

QuadVS_Output QuadVS(uint id : SV_VertexID)
{
    QuadVS_Output output;
    output.Tex = float2((id << 1) & 2, id & 2);
    output.Pos = float4(output.Tex * float2(2, -2) + float2(-1, 1), 0, 1);
    return output;
}

float4 BrightPassPS(QuadVS_Output input) : SV_Target
{
    float4 color = g_txSource.Sample(samClamp, input.Tex);
    float luminance = dot(color.rgb, float3(0.299, 0.587, 0.114));
    return luminance > g_fThreshold ? color : float4(0, 0, 0, color.a);
}

float4 BlurPS(QuadVS_Output input, uniform float2 direction) : SV_Target
{
    float4 sum = 0;
    [unroll] for (int i = 0; i < KERNEL; i++)
    {
        float2 offset = direction * g_vTexelSize * (i - KERNEL / 2);
        sum += g_txSource.Sample(samClamp, input.Tex + offset) * g_fWeights[i];
    }
    return sum;
}

float4 CombinePS(QuadVS_Output input) : SV_Target
{
    float4 color = g_txSource.Sample(samClamp, input.Tex);
    float4 bloom = g_txBloom.Sample(samClamp, input.Tex);
    [branch] if (g_iMode == 1)
        return bloom;
    clip(color.a - 0.01);
    return color + bloom * g_fBloomScale;
}

technique10 BrightPass
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, QuadVS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, BrightPassPS()));
        SetDepthStencilState(NoDepth, 0);
    }
}

technique10 Blur
{
    pass Horizontal
    {
        SetVertexShader(CompileShader(vs_4_0, QuadVS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, BlurPS(float2(1, 0))));
        SetDepthStencilState(NoDepth, 0);
    }
    pass Vertical
    {
        SetVertexShader(CompileShader(vs_4_0, QuadVS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, BlurPS(float2(0, 1))));
        SetDepthStencilState(NoDepth, 0);
    }
}

technique10 Combine
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, QuadVS()));
        SetGeometryShader(NULL);
        SetPixelShader(CompileShader(ps_4_0, CombinePS()));
        SetDepthStencilState(NoDepth, 0);
    }
}
