float4 g_Color;

technique T
{
    pass P0
    {
        AlphaBlendEnable = true;
        NoSuchState = 1;
    }
}
