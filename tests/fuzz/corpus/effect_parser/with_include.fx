// Uses the lighting helpers of an included file.
#include "a.fxh"

float4 g_Ambient = {0.1, 0.2, 0.3, 1.0};

float4 PS(float3 normal : TEXCOORD0) : COLOR0
{
    return g_Ambient + LIGHT_COLOR * lambert(normal);
}

technique Lit
{
    pass { PixelShader = compile ps_2_0 PS(); }
}

#--
float3 g_LightDirection = {0, 0, 1};

float lambert(float3 n)
{
    return saturate(dot(normalize(n), -g_LightDirection));
}
