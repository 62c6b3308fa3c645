RasterizerState Solid { FillMode = SOLID; };

technique10 T
{
    pass P0
    {
        SetBlendState(Solid, float4(0, 0, 0, 0), 0xFFFFFFFF);
    }
}
