//--------------------------------------------------------------------------------------
// ParticleGS.fx: points expanded to camera-facing quads by a geometry shader
//--------------------------------------------------------------------------------------
cbuffer cb0
{
    float4x4 g_mViewProj;
    float g_fSize = 0.25;
    float4 g_vColor = float4(1, 0.5, 0, 1);
};

cbuffer cbImmutable
{
    float3 g_positions[4] =
    {
        float3(-1, 1, 0),
        float3(1, 1, 0),
        float3(-1, -1, 0),
        float3(1, -1, 0),
    };
};

struct VSParticleIn
{
    float3 Pos : POSITION;
    float4 Color : COLOR;
};

struct GSParticleIn
{
    float3 Pos : POSITION;
    float4 Color : COLOR;
};

struct PSParticleIn
{
    float4 Pos : SV_Position;
    float4 Color : COLOR;
    float2 Tex : TEXCOORD0;
    uint Primitive : TEXCOORD1;
};

GSParticleIn VSParticle(VSParticleIn input)
{
    GSParticleIn output;
    output.Pos = input.Pos;
    output.Color = input.Color;
    return output;
}

[maxvertexcount(4)]
void GSParticle(point GSParticleIn input[1], uint primitive : SV_PrimitiveID, inout TriangleStream<PSParticleIn> stream)
{
    PSParticleIn output;
    [unroll] for (int i = 0; i < 4; i++)
    {
        float3 position = input[0].Pos + g_positions[i] * g_fSize;
        output.Pos = mul(float4(position, 1), g_mViewProj);
        output.Color = input[0].Color * g_vColor;
        output.Tex = g_positions[i].xy * 0.5 + 0.5;
        output.Primitive = primitive;
        stream.Append(output);
    }
    stream.RestartStrip();
}

float4 PSParticle(PSParticleIn input) : SV_Target
{
    return input.Color;
}

GeometryShader gsParticle = CompileShader(gs_4_0, GSParticle());

BlendState AdditiveBlending
{
    AlphaToCoverageEnable = FALSE;
    BlendEnable[0] = TRUE;
    SrcBlend = SRC_ALPHA;
    DestBlend = ONE;
    BlendOp = ADD;
    SrcBlendAlpha = ZERO;
    DestBlendAlpha = ZERO;
    BlendOpAlpha = ADD;
    RenderTargetWriteMask[0] = 0x0F;
};

DepthStencilState DisableDepth
{
    DepthEnable = FALSE;
    DepthWriteMask = ZERO;
};

technique10 RenderParticles
{
    pass P0
    {
        SetVertexShader(CompileShader(vs_4_0, VSParticle()));
        SetGeometryShader(gsParticle);
        SetPixelShader(CompileShader(ps_4_0, PSParticle()));
        SetBlendState(AdditiveBlending, float4(0.0f, 0.0f, 0.0f, 0.0f), 0xFFFFFFFF);
        SetDepthStencilState(DisableDepth, 0);
    }
}
