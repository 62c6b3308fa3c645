BlendState Blend
{
    BlendEnable[8] = TRUE;
};
