float4 PS(float4 values[4;]) : SV_Target
{
    return values[0];
}
