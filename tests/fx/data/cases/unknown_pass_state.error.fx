technique10 T
{
    pass P0
    {
        SetComputeShader(NULL);
    }
}
