// Masking: a source and a destination mixed through a mask. Each of the three inputs is chosen by
// floats 1 to 3: 0 its constant colour (vectors 1 to 3), 1 the extra pass, 2 the original, 3 the
// current picture. Vector 4 inverts source, destination and mask (x, y, z) and swaps source and
// destination (w); vector 5 overwrites their alphas (x, y, z, when not negative) and, with w
// negative, mixes by the mask's alpha alone; float 4 also weights by the source's own alpha.

#include "postcommon.fxh"

float4 input(float source, float4 colour, float2 uv)
{
    if (source < 0.5)
        return colour;
    if (source < 1.5)
        return tex2D(g_SamplerEXTRA, uv);
    if (source < 2.5)
        return tex2D(g_SamplerORG, uv);
    return tex2D(g_SamplerSRC, uv);
}

float4 modify(float4 value, float invert, float alpha)
{
    if (invert > 0.5)
        value.rgb = 1.0 - value.rgb;
    if (alpha >= 0.0)
        value.a = alpha;
    return value;
}

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 src = modify(input(g_Float_Param1, g_Vec4_Param1, uv), g_Vec4_Param4.x, g_Vec4_Param5.x);
    float4 dst = modify(input(g_Float_Param2, g_Vec4_Param2, uv), g_Vec4_Param4.y, g_Vec4_Param5.y);
    float4 mask = modify(input(g_Float_Param3, g_Vec4_Param3, uv), g_Vec4_Param4.z, g_Vec4_Param5.z);
    if (g_Vec4_Param4.w > 0.5) {
        float4 t = src;
        src = dst;
        dst = t;
    }
    float4 weight = g_Vec4_Param5.w < 0.0 ? mask.aaaa : mask;
    if (g_Float_Param4 > 0.5)
        weight *= src.a;
    return lerp(dst, src, weight);
}

technique RenderPost
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS();
    }
}

technique RenderPost_Deferred
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS();
    }
}
