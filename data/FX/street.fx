// The road effect: the profile edges of a road drawn with their own material. One permutation per
// technique (STREET_MODE): 0 the sun-lit colour (diffuse texture or segment colour, bump map in
// the road's tangent frame, specular, the sky cube map mirrored by g_Kr and masked by the
// reflection texture); 1 light-space depth (the light camera's linear clip z, as mesh.fx); 2 the colour darkened where the shadow map holds
// something nearer the light (down to g_Shadow); 3 the deferred G-buffer.
#include "scenecommon.fxh"

#ifndef STREET_MODE
#define STREET_MODE 0
#endif

float4x4 g_ViewToLightProj;
texture g_ShadowTexture;
texture g_BumpTextur;
texture g_RefTextur;
float g_Bump = 0.0;
bool g_useRefTextur = false;

sampler ShadowSampler = sampler_state
{
    Texture = <g_ShadowTexture>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler BumpSampler = sampler_state
{
    Texture = <g_BumpTextur>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

sampler ReflectionSampler = sampler_state
{
    Texture = <g_RefTextur>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = WRAP;
    AddressV = WRAP;
};

struct StreetIn {
    float3 position : POSITION;
    float3 normal : NORMAL;
    float2 uv : TEXCOORD0;
    float3 tangent : TANGENT;
    float3 binormal : BINORMAL;
};

struct VertexOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float3 normal : TEXCOORD1;
    float3 world : TEXCOORD2;
    float4 extra : TEXCOORD3;
    float3 tangent : TEXCOORD4;
    float3 binormal : TEXCOORD5;
};

VertexOut VS(StreetIn v)
{
    VertexOut o;
    o.position = mul(float4(v.position, 1.0), g_WorldViewProjection);
    o.uv = v.uv;
    o.normal = mul(v.normal, (float3x3)g_World);
    o.tangent = mul(v.tangent, (float3x3)g_World);
    o.binormal = mul(v.binormal, (float3x3)g_World);
    o.world = mul(float4(v.position, 1.0), g_World).xyz;
#if STREET_MODE == 1
    o.extra = float4(o.position.z, 0.0, 0.0, 1.0);
#elif STREET_MODE == 2
    o.extra = mul(mul(float4(v.position, 1.0), g_WorldView), g_ViewToLightProj);
#elif STREET_MODE == 3
    o.extra = float4(o.position.z, o.position.w, 0.0, 1.0);
#else
    o.extra = float4(0.0, 0.0, 0.0, 1.0);
#endif
    return o;
}

// The surface normal: the vertex normal, tilted by the bump map's tangent-space normal.
float3 surfaceNormal(VertexOut i)
{
    float3 n = normalize(i.normal);
    if (g_Bump > 0.0) {
        float3 bump = tex2D(BumpSampler, i.uv).rgb * 2.0 - 1.0;
        float3 tilted = normalize(i.tangent) * bump.x + normalize(i.binormal) * bump.y + n * bump.z;
        n = normalize(lerp(n, tilted, saturate(g_Bump)));
    }
    return n;
}

float4 litColour(VertexOut i, float lightShare)
{
    float4 base = baseColour(i.uv);
    float3 n = surfaceNormal(i);
    float3 l = normalize(g_LightDir);
    float lit = max(dot(n, l), 0.0) * lightShare;
    float3 toEye = normalize(g_CameraPosWorld - i.world);
    float3 halfway = normalize(l + toEye);
    float specular = g_Ks * pow(max(dot(n, halfway), 0.0), g_SpecExpon) * lightShare;
    float3 colour = base.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit) + g_LightDiffuse.rgb * specular;
    float mirror = g_Kr;
    if (g_useRefTextur)
        mirror *= tex2D(ReflectionSampler, i.uv).r;
    float3 mirrored = texCUBE(CubeSampler, reflect(-toEye, n)).rgb;
    colour = lerp(colour, mirrored, saturate(mirror));
    float fade = farFade(length(g_CameraPosWorld - i.world));
    return saturate(float4(colour * g_MaskColor.rgb, base.a * fade));
}

#if STREET_MODE == 3
GBufferOut PS(VertexOut i)
{
    float4 base = baseColour(i.uv);
    GBufferOut o = gbuffer(base.rgb * g_MaskColor.rgb, surfaceNormal(i), i.extra.xy);
    o.colour.a = g_Ks;
    o.normal.a = saturate(g_SpecExpon / 255.0);
    return o;
}
#else
float4 PS(VertexOut i) : COLOR
{
#if STREET_MODE == 1
    return float4(i.extra.x, i.extra.x, i.extra.x, 1.0);
#elif STREET_MODE == 2
    float2 uv = i.extra.xy / i.extra.w * float2(0.5, -0.5) + 0.5;
    float stored = tex2D(ShadowSampler, uv).r;
    float share = i.extra.z > stored + 0.01 ? g_Shadow : 1.0;
    return litColour(i, share);
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
