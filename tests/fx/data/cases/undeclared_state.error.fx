technique10 T
{
    pass P0
    {
        SetBlendState(AlphaBlend, float4(0, 0, 0, 0), 0xFFFFFFFF);
    }
}
