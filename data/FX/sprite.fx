// The batching sprite's effect. Every quad samples one of up to four textures,
// picked by the slot its vertices carry; each technique comes in three forms,
// for batches of four (its plain name), two ("_2Tex") and one ("_1Tex")
// textures. 2D quads come pre-transformed and need no vertex shader; 3D quads
// turn about their centre by g_ViewInv, which is the camera's rotation when
// billboarding and the identity otherwise.

#include "spritecommon.fxh"

float4x4 g_View : VIEW;
float4x4 g_ViewInv : VIEWINVERSE;
float4x4 g_Projection : PROJECTION;

struct SpriteOut
{
    float4 position : POSITION;
    float4 colour : COLOR0;
    float2 uv : TEXCOORD0;
    float slot : TEXCOORD1;
};

SpriteOut VS3D(float4 position : POSITION, float4 colour : COLOR0, float2 uv : TEXCOORD0, float slot : TEXCOORD1,
               float4 centre : TEXCOORD2)
{
    SpriteOut o;
    float3 offset = position.xyz - centre.xyz;
    float3 world = centre.xyz + mul(float4(offset, 0.0), g_ViewInv).xyz;
    o.position = mul(mul(float4(world, 1.0), g_View), g_Projection);
    o.colour = colour;
    o.uv = uv;
    o.slot = slot;
    return o;
}

// False while every quad of the batch is drawn in opaque white: the texel is the pixel then, and
// the shader specialised on it neither interpolates nor multiplies the colour.
bool g_SpriteTinted = true;

float4 PS(float4 colour : COLOR0, float2 uv : TEXCOORD0, float slot : TEXCOORD1, uniform int textures) : COLOR
{
    float4 texel = sampleSlot(uv, slot, textures);
    if (g_SpriteTinted)
        texel *= colour;
    return texel;
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
        PixelShader = compile ps_2_0 PS(4);
    }
}

technique Render2D_2Tex
{
    pass P0
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PS(2);
    }
}

technique Render2D_1Tex
{
    pass P0
    {
        ZEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = NULL;
        PixelShader = compile ps_2_0 PS(1);
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
        PixelShader = compile ps_2_0 PS(4);
    }
}

technique Render2DAlpha_2Tex
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
        PixelShader = compile ps_2_0 PS(2);
    }
}

technique Render2DAlpha_1Tex
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
        PixelShader = compile ps_2_0 PS(1);
    }
}

technique Render3D
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(4);
    }
}

technique Render3D_2Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(2);
    }
}

technique Render3D_1Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = FALSE;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(1);
    }
}

// Blended quads sorted back to front: they test depth but leave it alone.
technique Render3DAlpha
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(4);
    }
}

technique Render3DAlpha_2Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(2);
    }
}

technique Render3DAlpha_1Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = FALSE;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(1);
    }
}

// Cut-out quads: texels below half alpha are dropped and the rest write depth,
// so the order of drawing does not matter.
technique Render3DAlphaTest
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = TRUE;
        AlphaFunc = GREATEREQUAL;
        AlphaRef = 128;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(4);
    }
}

technique Render3DAlphaTest_2Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = TRUE;
        AlphaFunc = GREATEREQUAL;
        AlphaRef = 128;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(2);
    }
}

technique Render3DAlphaTest_1Tex
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        AlphaBlendEnable = TRUE;
        SrcBlend = SRCALPHA;
        DestBlend = INVSRCALPHA;
        AlphaTestEnable = TRUE;
        AlphaFunc = GREATEREQUAL;
        AlphaRef = 128;
        VertexShader = compile vs_2_0 VS3D();
        PixelShader = compile ps_2_0 PS(1);
    }
}
