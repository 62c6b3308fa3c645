float4 Color;
cbuffer Again
{
    float4 Color;
};
