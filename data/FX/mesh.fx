// The material effect of the mesh and animated-mesh objects, one permutation per technique
// (MESH_MODE): 0 the sun-lit colour (diffuse texture or material colour, ambient and diffuse
// light, specular, emissive, reflection against the cube map); 1 light-space depth for the shadow
// maps (the light cameras' clip z, linear from their near to their far plane, so it is stored
// undivided and the receivers compare the same); 2 the colour darkened where the shadow map holds
// something nearer the light (down to g_Shadow); 3 the deferred G-buffer: colour, normal, projected depth and emissive share in four
// targets; 4 a flat colour (the gizmo and the editor's normal view); 5 the projected depth
// divided per pixel, exact for the near light cameras of the deferred shadow maps.
// MESH_SKINNED 1 takes the bone indices and weights of the animated meshes' blended vertices and
// blends the positions and normals with the bone palette (the bones carry the world matrix).
#include "scenecommon.fxh"

#ifndef MESH_MODE
#define MESH_MODE 0
#endif
#ifndef MESH_SKINNED
#define MESH_SKINNED 0
#endif

float4x4 g_ViewToLightProj;
texture g_ShadowTexture;

sampler ShadowSampler = sampler_state
{
    Texture = <g_ShadowTexture>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct VertexOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 world : TEXCOORD2;
    float4 extra : TEXCOORD3;
};

#if MESH_SKINNED
// Up to four bones a vertex; the engine's palette has room for 48 entries.
float4x4 g_Bones[48];
// False for the containers of a skinned object that are not skinned.
bool g_Skinned = true;

struct SkinnedIn {
    float3 position : POSITION;
    float4 weights : BLENDWEIGHT;
    float4 bones : BLENDINDICES;
    float3 normal : NORMAL;
    float2 uv : TEXCOORD0;
};

MeshIn skinned(SkinnedIn s)
{
    MeshIn v;
    v.position = s.position;
    v.normal = s.normal;
    v.uv = s.uv;
    if (g_Skinned) {
        float3 p = float3(0.0, 0.0, 0.0);
        float3 n = float3(0.0, 0.0, 0.0);
        for (int i = 0; i < 4; ++i) {
            float4x4 bone = g_Bones[(int)s.bones[i]];
            p += s.weights[i] * mul(float4(s.position, 1.0), bone).xyz;
            n += s.weights[i] * mul(s.normal, (float3x3)bone);
        }
        v.position = p;
        v.normal = dot(n, n) > 0.0 ? normalize(n) : n;
    }
    return v;
}
#endif

#if MESH_SKINNED
VertexOut VS(SkinnedIn s)
{
    MeshIn v = skinned(s);
#else
VertexOut VS(MeshIn v)
{
#endif
    VertexOut o;
    o.position = mul(float4(v.position, 1.0), g_WorldViewProjection);
    o.uv = v.uv;
    o.normal = mul(v.normal, (float3x3)g_World);
    o.world = mul(float4(v.position, 1.0), g_World).xyz;
#if MESH_MODE == 1
    o.extra = float4(o.position.z, 0.0, 0.0, 1.0);
#elif MESH_MODE == 2
    o.extra = mul(mul(float4(v.position, 1.0), g_WorldView), g_ViewToLightProj);
#elif MESH_MODE == 3 || MESH_MODE == 5
    o.extra = float4(o.position.z, o.position.w, 0.0, 1.0);
#else
    o.extra = float4(0.0, 0.0, 0.0, 1.0);
#endif
    return o;
}

float4 litColour(VertexOut i, float lightShare)
{
    float4 base = baseColour(i.uv);
    float3 n = normalize(i.normal);
    float3 l = normalize(g_LightDir);
    float lit = max(dot(n, l), 0.0) * lightShare;
    float3 toEye = normalize(g_CameraPosWorld - i.world);
    float specular = 0.0;
    if (g_Ks != 0.0)
        specular = g_Ks * pow(max(dot(n, normalize(l + toEye)), 0.0), g_SpecExpon) * lightShare;
    float3 colour = base.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit) + g_LightDiffuse.rgb * specular;
    colour += base.rgb * g_Emissive;
    // Mirrors only with a share strictly between none and all.
    if (g_Kr >= 0.0001 && g_Kr <= 0.9999)
        colour = lerp(colour, texCUBE(CubeSampler, reflect(-toEye, n)).rgb, saturate(g_Kr));
    float fade = farFade(length(g_CameraPosWorld - i.world));
    return saturate(float4(colour * g_MaskColor.rgb, base.a * fade));
}

#if MESH_MODE == 3
struct GBuffer {
    float4 colour : COLOR0;
    float4 normal : COLOR1;
    float4 depth : COLOR2;
    float4 misc : COLOR3;
};

GBuffer PS(VertexOut i)
{
    GBuffer o;
    float4 base = baseColour(i.uv);
    o.colour = float4(base.rgb * g_MaskColor.rgb, g_Ks);
    o.normal = float4(normalize(i.normal) * 0.5 + 0.5, saturate(g_SpecExpon / 255.0));
    o.depth = float4(i.extra.x / i.extra.y, 0.0, 0.0, 1.0);
    o.misc = float4(g_Emissive, 0.0, 0.0, 0.0);
    return o;
}
#else
float4 PS(VertexOut i) : COLOR
{
#if MESH_MODE == 1
    return float4(i.extra.x, i.extra.x, i.extra.x, 1.0);
#elif MESH_MODE == 2
    float2 uv = i.extra.xy / i.extra.w * float2(0.5, -0.5) + 0.5;
    float stored = tex2D(ShadowSampler, uv).r;
    float share = i.extra.z > stored + 0.01 ? g_Shadow : 1.0;
    return litColour(i, share);
#elif MESH_MODE == 5
    float d = i.extra.x / i.extra.y;
    return float4(d, d, d, 1.0);
#elif MESH_MODE == 4
    float4 base = baseColour(i.uv);
    return float4(base.rgb * g_MaskColor.rgb, base.a);
#else
    return litColour(i, 1.0);
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
