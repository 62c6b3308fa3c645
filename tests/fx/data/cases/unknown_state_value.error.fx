SamplerState Sampler
{
    Filter = MIN_MAG_MIP_LINEAR;
    AddressU = REPEAT;
};
