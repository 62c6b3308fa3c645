tbuffer Lookup
{
    float4 Values[16];
};
