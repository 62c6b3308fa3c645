BlendState Blend
{
    BlendEnable[0] = TRUE;
    SourceBlend = ONE;
};
