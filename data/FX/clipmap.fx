// The clipmap terrain's effect, one permutation per technique (CLIP_MODE): 0 the sun-lit
// colour, 1 light-space depth for the shadow maps (the light camera's linear clip z, as mesh.fx), 2 the deferred G-buffer. The vertex shader places each grid vertex of
// a level from its instance record (cell size and corner in finest cells, the texture corner),
// reads its height from the level's height texture (red: the level's own height, green: the
// coarser level's) and blends towards the coarser height near the level's edge, so that the
// levels meet without steps. The colour comes from the four layer textures by the blend
// weights; where no weight is painted, from the ground's slope and height (grass, rock, snow).
// Towards the outer ring's end the ground fades into the sky's colour at the horizon, and a flat
// apron below it, drawn in that colour out past the far plane, fills what lies beyond, so that
// from high or far eye points the terrain meets the sky dome instead of ending in an edge.
#include "scenecommon.fxh"

#ifndef CLIP_MODE
#define CLIP_MODE 0
#endif

// Camera in finest cells (x, z), then where the blend to the coarse heights starts and how
// wide it is, in finest cells.
float4 Viewer = {0.0, 0.0, 1000.0, 1.0};
float g_texSize = 1024.0;
int g_textyp = 0;
float4 g_texscale03 = {1.0, 1.0, 1.0, 1.0};
float4 g_texscale03_far = {0.1, 0.1, 0.1, 0.1};
float2 g_nearfarblend = {5.0, 20.0};
// Where the fade into the sky starts and ends, in finest cells from the camera (the larger of
// the two axes, as the rings are square); x above y turns the fade off (no sky map).
float2 g_skyFade = {1.0e9, 0.0};
// The apron: x the grid's centre vertex, y its cell size in finest cells, z its height (in the
// field's units, below the lowest ground), w 1 while it is drawn.
float4 g_Apron = {0.0, 0.0, 0.0, 0.0};

texture g_heightmap;
texture g_Textur0;
texture g_Textur1;
texture g_Textur2;
texture g_Textur3;
texture g_TexturLM;
texture g_TexturBlend03;

sampler HeightSampler = sampler_state
{
    Texture = <g_heightmap>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

#define LAYER_SAMPLER(name, tex)                                                                   \
    sampler name = sampler_state                                                                   \
    {                                                                                              \
        Texture = <tex>;                                                                           \
        MinFilter = LINEAR;                                                                        \
        MagFilter = LINEAR;                                                                        \
        MipFilter = NONE;                                                                          \
        AddressU = WRAP;                                                                           \
        AddressV = WRAP;                                                                           \
    };

LAYER_SAMPLER(Layer0Sampler, g_Textur0)
LAYER_SAMPLER(Layer1Sampler, g_Textur1)
LAYER_SAMPLER(Layer2Sampler, g_Textur2)
LAYER_SAMPLER(Layer3Sampler, g_Textur3)

sampler ColourMapSampler = sampler_state
{
    Texture = <g_TexturLM>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler BlendSampler = sampler_state
{
    Texture = <g_TexturBlend03>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct ClipIn {
    float2 grid : POSITION;
    float4 cell : TEXCOORD0;
    float4 tex : TEXCOORD1;
};

struct VertexOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 world : TEXCOORD2;
    float4 extra : TEXCOORD3;
};

float heightAt(float2 tc, float alpha)
{
    float4 texel = tex2Dlod(HeightSampler, float4(tc, 0.0, 0.0));
    return lerp(texel.x, texel.y, alpha);
}

VertexOut VS(ClipIn v)
{
    VertexOut o;
    float2 cells = v.cell.zw + v.grid * v.cell.xy;
    if (g_Apron.w > 0.5)
        cells = Viewer.xy + (v.grid - g_Apron.x) * g_Apron.y;
    // The texel's centre: its grid point.
    float2 tc = v.tex.zw + (v.grid + 0.5) * v.tex.xy;
    float2 d = abs(cells - Viewer.xy);
    float alpha = saturate((max(d.x, d.y) - Viewer.z) / max(Viewer.w, 0.0001));
    float h = g_Apron.w > 0.5 ? g_Apron.z : heightAt(tc, alpha);
    float2 step = float2(v.tex.x, 0.0);
    float slopeX = (heightAt(tc + step.xy, alpha) - heightAt(tc - step.xy, alpha));
    float slopeZ = (heightAt(tc + step.yx, alpha) - heightAt(tc - step.yx, alpha));
    // One level cell is cell.x / texSize in the field's units.
    float span = 2.0 * v.cell.x / g_texSize;
    float3 localNormal = float3(-slopeX / span, 1.0, -slopeZ / span);
    if (g_Apron.w > 0.5)
        localNormal = float3(0.0, 1.0, 0.0);
    float4 local = float4(cells.x / g_texSize, h, cells.y / g_texSize, 1.0);
    o.position = mul(local, g_WorldViewProjection);
    o.uv = local.xz;
    o.normal = mul(localNormal, (float3x3)g_WorldTransposeInv);
    o.world = mul(local, g_World).xyz;
    float ring = g_Apron.w > 0.5 ? 1.0e9 : max(d.x, d.y);
#if CLIP_MODE == 1
    o.extra = float4(o.position.z, 0.0, 0.0, 1.0);
#elif CLIP_MODE == 2
    o.extra = float4(h, o.position.z, o.position.w, ring);
#else
    o.extra = float4(h, 0.0, 0.0, ring);
#endif
    return o;
}

// Grass on the flat, rock on the steep, snow high up.
float3 groundColour(float3 n, float h)
{
    float3 grass = float3(0.30, 0.52, 0.20);
    float3 rock = float3(0.48, 0.44, 0.40);
    float3 snow = float3(0.92, 0.93, 0.96);
    float steep = saturate((0.85 - n.y) * 4.0);
    float3 colour = lerp(grass, rock, steep);
    return lerp(colour, snow, saturate((h - 0.75) * 8.0) * (1.0 - steep));
}

// The ground's colour: the painted layers, or slope and height where nothing is painted, under
// the colour map.
float3 surfaceColour(VertexOut i, float3 n, float distance)
{
    float far = saturate((distance - g_nearfarblend.x) / max(g_nearfarblend.y - g_nearfarblend.x, 0.0001));
    float4 scale = lerp(g_texscale03, g_texscale03_far, far);
    float4 weights = tex2D(BlendSampler, i.uv);
    float total = dot(weights, float4(1.0, 1.0, 1.0, 1.0));
    float3 layered = tex2D(Layer0Sampler, i.uv * scale.x).rgb * weights.r
                   + tex2D(Layer1Sampler, i.uv * scale.y).rgb * weights.g
                   + tex2D(Layer2Sampler, i.uv * scale.z).rgb * weights.b
                   + tex2D(Layer3Sampler, i.uv * scale.w).rgb * weights.a;
    float3 base = lerp(groundColour(n, i.extra.x), layered / max(total, 0.0001), saturate(total));
    return base * tex2D(ColourMapSampler, i.uv).rgb;
}

// The share of the sky's colour: 0 inside the fade, 1 at its end and on the apron.
float skyShare(VertexOut i)
{
    if (g_skyFade.x > g_skyFade.y)
        return 0.0;
    return saturate((i.extra.w - g_skyFade.x) / max(g_skyFade.y - g_skyFade.x, 0.0001));
}

// The sky's colour just above the horizon towards the point, as the dome shows it where the
// far plane cuts the ground off; the horizon line itself is a warm band the ground hides.
float3 horizonColour(VertexOut i)
{
    float3 d = i.world - g_ViewInv[3].xyz;
    d.y = 0.0;
    if (dot(d, d) < 0.000001)
        d = float3(1.0, 0.0, 0.0);
    d = normalize(d);
    d.y = 0.08;
    return texCUBE(CubeSampler, normalize(d)).rgb;
}

#if CLIP_MODE == 2
GBufferOut PS(VertexOut i)
{
    float3 n = normalize(i.normal);
    float3 base = surfaceColour(i, n, length(g_ViewInv[3].xyz - i.world));
    base = lerp(base, horizonColour(i), skyShare(i));
    return gbuffer(base * g_MaskColor.rgb, n, i.extra.yz);
}
#else
float4 PS(VertexOut i) : COLOR
{
#if CLIP_MODE == 1
    return float4(i.extra.x, i.extra.x, i.extra.x, 1.0);
#else
    float3 n = normalize(i.normal);
    float distance = length(g_ViewInv[3].xyz - i.world);
    float3 base = surfaceColour(i, n, distance);
    float lit = max(dot(n, normalize(g_LightDir)), 0.0);
    float3 colour = base * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit);
    colour = lerp(colour, horizonColour(i), skyShare(i));
    float fade = farFade(distance);
    return saturate(float4(colour * g_MaskColor.rgb, fade));
#endif
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
