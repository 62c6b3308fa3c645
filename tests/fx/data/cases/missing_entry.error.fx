float4 PS() : SV_Target { return 1; }

technique10 T
{
    pass P0
    {
        SetPixelShader(CompileShader(ps_4_0, PixelMain()));
    }
}
