// The grid terrain: four texture layers blended by the weight texture (red, green, blue, alpha =
// layers 0 to 3), each sampled at a near and a far repeat and blended between them by distance,
// tinted by the colour map, lit by the sun with optional bump maps (tangent-space normals along
// the terrain's x and z). The vertices are in world space already. TERRAIN_MODE 1 writes the
// deferred G-buffer instead (colour, normal, projected depth, no emissive share).
#include "scenecommon.fxh"

#ifndef TERRAIN_MODE
#define TERRAIN_MODE 0
#endif

float4x4 g_WorldViewInv;
float g_Bump = 0.0;
float4 g_texscale03 = {1.0, 1.0, 1.0, 1.0};
float4 g_texscale03_far = {0.1, 0.1, 0.1, 0.1};
float2 g_nearfarblend = {5.0, 20.0};

texture g_Textur0;
texture g_Textur1;
texture g_Textur2;
texture g_Textur3;
texture g_TexturLM;
texture g_TexturBlend03;
texture g_BumpTextur0;
texture g_BumpTextur1;
texture g_BumpTextur2;
texture g_BumpTextur3;

// The layers and their bump maps repeat across the terrain.
sampler Layer0 = sampler_state
{
    Texture = <g_Textur0>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Layer1 = sampler_state
{
    Texture = <g_Textur1>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Layer2 = sampler_state
{
    Texture = <g_Textur2>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Layer3 = sampler_state
{
    Texture = <g_Textur3>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Bump0 = sampler_state
{
    Texture = <g_BumpTextur0>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Bump1 = sampler_state
{
    Texture = <g_BumpTextur1>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Bump2 = sampler_state
{
    Texture = <g_BumpTextur2>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler Bump3 = sampler_state
{
    Texture = <g_BumpTextur3>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

// The weights and the colour map cover the terrain once; the skirt takes the border's values.
sampler BlendSampler = sampler_state
{
    Texture = <g_TexturBlend03>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler ColourMapSampler = sampler_state
{
    Texture = <g_TexturLM>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct TerrainIn {
    float3 position : POSITION;
    float3 normal : NORMAL;
    float4 colour : COLOR0;
    float2 uv : TEXCOORD0;
};

struct TerrainOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 world : TEXCOORD2;
#if TERRAIN_MODE == 1
    float2 depth : TEXCOORD3;
#endif
};

TerrainOut VS(TerrainIn v)
{
    TerrainOut o;
    o.position = mul(float4(v.position, 1.0), g_WorldViewProjection);
    o.uv = v.uv;
    o.normal = v.normal;
    o.world = v.position;
#if TERRAIN_MODE == 1
    o.depth = o.position.zw;
#endif
    return o;
}

float4 layer(sampler s, float2 uv, float nearScale, float farScale, float farShare)
{
    return lerp(tex2D(s, uv * nearScale), tex2D(s, uv * farScale), farShare);
}

// The layered colour under the colour map, and the normal tilted by the bump maps.
float4 surfaceColour(TerrainOut i, float distance, out float3 n)
{
    float farShare = saturate((distance - g_nearfarblend.x) / max(g_nearfarblend.y - g_nearfarblend.x, 0.0001));
    float4 w = tex2D(BlendSampler, saturate(i.uv));
    float4 colour = w.r * layer(Layer0, i.uv, g_texscale03.x, g_texscale03_far.x, farShare)
                  + w.g * layer(Layer1, i.uv, g_texscale03.y, g_texscale03_far.y, farShare)
                  + w.b * layer(Layer2, i.uv, g_texscale03.z, g_texscale03_far.z, farShare)
                  + w.a * layer(Layer3, i.uv, g_texscale03.w, g_texscale03_far.w, farShare);
    colour.rgb *= tex2D(ColourMapSampler, saturate(i.uv)).rgb;

    n = normalize(i.normal);
    if (g_Bump != 0.0) {
        float4 b = w.r * layer(Bump0, i.uv, g_texscale03.x, g_texscale03_far.x, farShare)
                 + w.g * layer(Bump1, i.uv, g_texscale03.y, g_texscale03_far.y, farShare)
                 + w.b * layer(Bump2, i.uv, g_texscale03.z, g_texscale03_far.z, farShare)
                 + w.a * layer(Bump3, i.uv, g_texscale03.w, g_texscale03_far.w, farShare);
        float2 slope = (b.rg * 2.0 - 1.0) * g_Bump;
        n = normalize(n + float3(slope.x, 0.0, slope.y));
    }
    return colour;
}

#if TERRAIN_MODE == 1
GBufferOut PS(TerrainOut i)
{
    float3 n;
    float4 colour = surfaceColour(i, length(g_CameraPosWorld - i.world), n);
    return gbuffer(colour.rgb * g_MaskColor.rgb, n, i.depth);
}
#else
float4 PS(TerrainOut i) : COLOR
{
    float distance = length(g_CameraPosWorld - i.world);
    float3 n;
    float4 colour = surfaceColour(i, distance, n);
    float lit = max(dot(n, normalize(g_LightDir)), 0.0);
    float3 result = colour.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit);
    float fade = farFade(distance);
    return saturate(float4(result * g_MaskColor.rgb, fade));
}
#endif

technique Render
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        CullMode = NONE;
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}
