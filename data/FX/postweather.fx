// Rain: thin bright streaks over the picture in the colour and alpha of vector 1, falling with
// the time at the speed of vector 3 x and stretched by vector 3 y, turned with the camera's
// heading (matrix 1) and shifted with its eye (vector 4).

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 c = tex2D(g_SamplerSRC, uv);
    float heading = atan2(g_Matrix_Param1._13, g_Matrix_Param1._11) / 6.2831853;
    float2 q = uv + float2(heading + g_Vec4_Param4.x + g_Vec4_Param4.z, g_Vec4_Param4.y);
    q.y = q.y / max(g_Vec4_Param3.y, 0.01) - g_time * g_Vec4_Param3.x;
    float2 cell = floor(q * float2(80.0, 6.0));
    float chance = frac(sin(dot(cell, float2(12.9898, 78.233))) * 43758.5453);
    float streak = chance > 0.96 ? 1.0 : 0.0;
    return float4(lerp(c.rgb, g_Vec4_Param1.rgb, streak * saturate(g_Vec4_Param1.w)), c.a);
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
