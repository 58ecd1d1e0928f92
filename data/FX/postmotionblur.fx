// Camera motion blur: each pixel goes back into the world through this frame's inverse
// view-projection (matrix 1) at the depth of the extra pass (the far plane without one) and
// forward into the previous frame through its view-projection (matrix 2); the picture is blurred
// along the difference, scaled by float 1 and limited to float 2 (fractions of the picture).

#include "postcommon.fxh"

float4 PS(float2 uv : TEXCOORD0) : COLOR
{
    float depth = tex2D(g_SamplerEXTRA, uv).r;
    depth = depth > 0.0 ? depth : 1.0;
    float4 world = mul(float4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, depth, 1.0), g_Matrix_Param1);
    world /= world.w;
    float4 previous = mul(world, g_Matrix_Param2);
    float2 velocity = float2(0.0, 0.0);
    if (abs(previous.w) > 0.000001) {
        previous /= previous.w;
        float2 before = float2(previous.x * 0.5 + 0.5, 0.5 - previous.y * 0.5);
        velocity = (uv - before) * g_Float_Param1;
        float speed = length(velocity);
        if (speed > g_Float_Param2 && speed > 0.0)
            velocity *= g_Float_Param2 / speed;
    }
    float4 sum = 0.0;
    for (int i = 0; i < 8; i++)
        sum += tex2D(g_SamplerSRCLinear, uv - velocity * (i / 7.0));
    return sum / 8.0;
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
