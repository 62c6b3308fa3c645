// State blocks with every kind of value, arrays of state objects, and passes
// that set, reset and leave states.
BlendState Blends[2]
{
    {
        AlphaToCoverageEnable = true;
        BlendEnable[0] = TRUE;
        BlendEnable[3] = True;
        SrcBlend = src_alpha;
        DestBlend = INV_SRC_ALPHA;
        BlendOp = REV_SUBTRACT;
        SrcBlendAlpha = BLEND_FACTOR;
        DestBlendAlpha = INV_BLEND_FACTOR;
        BlendOpAlpha = MAX;
        RenderTargetWriteMask[0] = 0x0F;
        RenderTargetWriteMask[1] = 5;
    },
    {
        BlendEnable[0] = FALSE;
        SrcBlend = 2;
    }
};

DepthStencilState Stencil
{
    DepthEnable = FALSE;
    DepthWriteMask = ZERO;
    DepthFunc = GREATER_EQUAL;
    StencilEnable = TRUE;
    StencilReadMask = 0xF0;
    StencilWriteMask = 0x0F;
    FrontFaceStencilFail = KEEP;
    FrontFaceStencilDepthFail = DECR;
    FrontFaceStencilPass = REPLACE;
    FrontFaceStencilFunc = EQUAL;
    BackFaceStencilFail = ZERO;
    BackFaceStencilDepthFail = INCR;
    BackFaceStencilPass = INVERT;
    BackFaceStencilFunc = NOT_EQUAL;
};

RasterizerState Raster
{
    FillMode = WIREFRAME;
    CullMode = FRONT;
    FrontCounterClockwise = TRUE;
    DepthBias = -10;
    DepthBiasClamp = 0.5;
    SlopeScaledDepthBias = 2.0;
    DepthClipEnable = FALSE;
    ScissorEnable = TRUE;
    MultisampleEnable = TRUE;
    AntialiasedLineEnable = TRUE;
};

SamplerState Samplers[2]
{
    {
        Filter = ANISOTROPIC;
        AddressU = MIRROR;
        AddressV = MIRROR_ONCE;
        AddressW = BORDER;
        MipLODBias = -0.5;
        MaxAnisotropy = 8;
        BorderColor = float4(0.25, 0.5, 0.75, 1.0);
        MinLOD = 1;
        MaxLOD = 4 * 2;
    },
    {
        Filter = MIN_MAG_POINT_MIP_LINEAR;
    }
};

SamplerComparisonState Shadow
{
    Filter = COMPARISON_MIN_MAG_MIP_POINT;
    ComparisonFunc = LESS;
};

Texture2D Map;

float4 PS(float4 position : SV_Position) : SV_Target
{
    return Map.Sample(Samplers[0], position.xy) + Map.Sample(Samplers[1], position.xy) + Map.SampleCmp(Shadow, position.xy, 0.5);
}

technique10 States
{
    pass Set
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetBlendState(Blends[1], float4(1, 0.5, 0.25, 0), 0xFF);
        SetDepthStencilState(Stencil, 3);
        SetRasterizerState(Raster);
    }
    pass Reset
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
        SetBlendState(NULL, float4(0, 0, 0, 0), 0xFFFFFFFF);
        SetDepthStencilState(NULL, 0);
        SetRasterizerState(NULL);
    }
    pass Leave
    {
    }
}
