// The forest's effect: every instance slot (the vertex's third texture coordinate) takes its tree's
// foot and turn (g_Positionen), size and type (g_Scales) and wind (g_Wind) from the batch's
// arrays; the slices are sized, turned about y, swayed at the top by the wind over g_time and
// placed in world space. The type picks one of the four pictures g_Textur0 to g_Textur3 (a later
// type, which has none of its own, the fourth); the forest draws each type in batches of its own,
// so the branch goes alike across a draw and a pixel fetches one picture. Cut-out pixels are discarded. Far
// trees fade out (g_blend) or shrink (g_scale) over the far band. TREE_MODE 1 writes the
// deferred G-buffer of the same slices.
#include "scenecommon.fxh"

#ifndef TREE_MODE
#define TREE_MODE 0
#endif

#define TREE_SLOTS 75

float4 g_Positionen[TREE_SLOTS];
float4 g_Scales[TREE_SLOTS];
float4 g_Wind[TREE_SLOTS];
float g_time = 0.0;
float g_Bump = 0.0;
bool g_blend = true;
bool g_scale = false;

texture g_Textur0;
texture g_Textur1;
texture g_Textur2;
texture g_Textur3;

#define TREE_SAMPLER(name, tex)                                                                                        \
    sampler name = sampler_state                                                                                       \
    {                                                                                                                  \
        Texture = <tex>;                                                                                               \
        MinFilter = LINEAR;                                                                                            \
        MagFilter = LINEAR;                                                                                            \
        MipFilter = NONE;                                                                                              \
        AddressU = CLAMP;                                                                                              \
        AddressV = CLAMP;                                                                                              \
    };

TREE_SAMPLER(TreeSampler0, g_Textur0)
TREE_SAMPLER(TreeSampler1, g_Textur1)
TREE_SAMPLER(TreeSampler2, g_Textur2)
TREE_SAMPLER(TreeSampler3, g_Textur3)

struct TreeIn {
    float3 position : POSITION;
    float3 normal : NORMAL;
    float3 uvSlot : TEXCOORD0;
};

struct TreeOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 world : TEXCOORD2;
    float2 typeFade : TEXCOORD3;
#if TREE_MODE == 1
    float2 depth : TEXCOORD4;
#endif
};

TreeOut VS(TreeIn v)
{
    TreeOut o;
    int slot = (int)(v.uvSlot.z + 0.5);
    float4 foot = g_Positionen[slot];
    float4 size = g_Scales[slot];
    float4 wind = g_Wind[slot];
    float distance = length(g_CameraPosWorld - foot.xyz);
    float fade = farFade(distance);
    float3 local = v.position * size.xyz;
    if (g_scale)
        local *= fade;
    // The crown sways, the foot stays.
    float sway = wind.w * sin(g_time * wind.x + wind.z) * v.position.y;
    float sideways = wind.w * 0.5 * sin(g_time * wind.y + wind.z * 1.7) * v.position.y;
    float angle = radians(foot.w);
    float s = sin(angle);
    float c = cos(angle);
    float3 turned = float3(local.x * c + local.z * s, local.y, local.z * c - local.x * s);
    float3 normal = float3(v.normal.x * c + v.normal.z * s, v.normal.y, v.normal.z * c - v.normal.x * s);
    float3 world = foot.xyz + turned + float3(sway * size.y, 0.0, sideways * size.y);
    o.position = mul(float4(world, 1.0), g_WorldViewProjection);
    o.uv = v.uvSlot.xy;
    o.normal = mul(normal, (float3x3)g_World);
    o.world = world;
    o.typeFade = float2(size.w, g_blend ? fade : 1.0);
#if TREE_MODE == 1
    o.depth = o.position.zw;
#endif
    return o;
}

// The picture of the slice's tree type; cut-out pixels are discarded.
float4 treeTexel(TreeOut i)
{
    float type = i.typeFade.x;
    float4 texel;
    if (type < 0.5)
        texel = tex2D(TreeSampler0, i.uv);
    else if (type < 1.5)
        texel = tex2D(TreeSampler1, i.uv);
    else if (type < 2.5)
        texel = tex2D(TreeSampler2, i.uv);
    else
        texel = tex2D(TreeSampler3, i.uv);
    clip(texel.a - 0.5);
    return texel;
}

#if TREE_MODE == 1
// Both faces of a slice take light from their own side: the normal faces the viewer. It leans
// upwards as well, so that a slice turned away from the sun keeps much of its light, as the
// forward colour's wrapped light gives it.
GBufferOut PS(TreeOut i)
{
    float4 texel = treeTexel(i);
    float3 n = normalize(i.normal);
    n *= dot(n, g_CameraPosWorld - i.world) < 0.0 ? -1.0 : 1.0;
    n = normalize(n + float3(0.0, 1.5, 0.0));
    return gbuffer(texel.rgb * g_MaskColor.rgb, n, i.depth);
}
#else
float4 PS(TreeOut i) : COLOR
{
    float4 texel = treeTexel(i);
    // Both faces of a slice take light from their own side.
    float3 n = normalize(i.normal);
    float3 l = normalize(g_LightDir);
    float lit = abs(dot(n, l)) * 0.6 + 0.4;
    float3 colour = texel.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit);
    return saturate(float4(colour * g_MaskColor.rgb, i.typeFade.y));
}
#endif

technique Render
{
    pass P0
    {
        ZEnable = TRUE;
        ZWriteEnable = TRUE;
        // Each slice has a face for either side, wound oppositely: only the one facing the
        // viewer is drawn, not both (which doubled the shading and drew slices seen edge-on twice).
        CullMode = CCW;
        AlphaBlendEnable = FALSE;
        VertexShader = compile vs_3_0 VS();
        PixelShader = compile ps_3_0 PS();
    }
}
