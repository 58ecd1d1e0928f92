// Sprites drawn in one colour: the texture's alpha shaped by a tint that every
// effect of the sprite pool shares. INVERT turns the texture's colour over
// before tinting.

#ifndef INVERT
#define INVERT 0
#endif

#include "spritecommon.fxh"

shared float4 g_Tint = {1.0, 1.0, 1.0, 1.0};

float4 PS(float4 colour : COLOR0, float2 uv : TEXCOORD0, float slot : TEXCOORD1) : COLOR
{
    float4 texel = sampleSlot(uv, slot);
#if INVERT
    texel.rgb = 1.0 - texel.rgb;
#endif
    return texel * colour * g_Tint;
}

technique Render2D
{
    pass P0
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PS();
    }
}

technique Render2DAlpha
{
    pass P0
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PS();
    }
}
