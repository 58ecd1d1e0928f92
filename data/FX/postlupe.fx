// Magnifier: inside a circle of radius float 1 (in texture heights) around the position in
// vector 1 (x, y from 0 to 1 across the picture), the picture is enlarged by vector 2 x about that
// position, blended in by vector 2 y. An enlargement of 1 leaves the picture as it is.

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float2 offset = uv - g_Vec4_Param1.xy;
    // Inside the lens a point is read this share of its offset closer to the centre: lerp(uv,
    // centre + offset / zoom, blend) folded so that only one multiply-add is left per pixel.
    float pull = (1.0 / max(g_Vec4_Param2.x, 0.0001) - 1.0) * saturate(g_Vec4_Param2.y);
    // The in-game picture is 4:3: measured in its height, the lens is round on the screen.
    bool inside = length(offset * float2(4.0 / 3.0, 1.0)) <= g_Float_Param1;
    return tex2D(g_SamplerSRCLinear, uv + offset * (inside ? pull : 0.0));
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
        PixelShader = compile ps_2_0 PS();
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
        PixelShader = compile ps_2_0 PS();
    }
}
