// The water, reflection and ice objects' effect (WATER_MODE): 0 water (RenderWater: the mirrored
// picture through the water pass's texture projection, blended with the water colour by a
// Fresnel term, rippled by the waves); 1 water with the picture below the surface
// (RenderWaterHIGH: the refraction picture fogged towards the fog colour); 2 a mirror
// (RenderReflection: the mirrored picture alone, tinted by the water colour); 3 ice (the
// water, under the surface texture, blended by g_colorlerp); 4 the plain water colour, lit
// (Render, for passes without a mirrored picture); 5 the deferred G-buffer of the flat surface in
// the water colour.
#include "scenecommon.fxh"

#ifndef WATER_MODE
#define WATER_MODE 0
#endif

float4x4 g_TexProj;
float2 g_tiling_wave = {10.0, 10.0};
float2 g_height_wave = {0.0, 0.0};
float2 g_geschwindigkeit = {0.0, 0.0};
float2 g_tiling = {1.0, 1.0};
float g_FresnelFaktor = 1.33;
float4 g_WaterColor = {0.6, 0.72, 1.0, 1.0};
float4 g_WaterFogColor = {0.71, 0.75, 0.85, 0.25};
float g_time = 0.0;
float3 g_colorlerp = {0.8, 0.8, 0.25};
texture g_ReflectionMap;
texture g_RefractionMap;

sampler ReflectionSampler = sampler_state
{
    Texture = <g_ReflectionMap>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler RefractionSampler = sampler_state
{
    Texture = <g_RefractionMap>;
    MinFilter = LINEAR;
    MagFilter = LINEAR;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

struct VertexOut {
    float4 position : POSITION;
    float2 uv : TEXCOORD0;
    float4 projected : TEXCOORD1;
    float3 world : TEXCOORD2;
#if WATER_MODE == 5
    float2 depth : TEXCOORD3;
#endif
};

VertexOut VS(MeshIn v)
{
    VertexOut o;
    o.position = mul(float4(v.position, 1.0), g_WorldViewProjection);
    o.projected = mul(float4(v.position, 1.0), g_TexProj);
    o.uv = v.uv * g_tiling + g_geschwindigkeit * g_time;
    o.world = mul(float4(v.position, 1.0), g_World).xyz;
#if WATER_MODE == 5
    o.depth = o.position.zw;
#endif
    return o;
}

#if WATER_MODE == 5
GBufferOut PS(VertexOut i)
{
    return gbuffer(g_WaterColor.rgb * g_MaskColor.rgb, mul(float3(0.0, 1.0, 0.0), (float3x3)g_World), i.depth);
}
#else
float4 PS(VertexOut i) : COLOR
{
    // Ripples shift the projected picture by the waves' slope.
    float2 wave = i.uv * g_tiling_wave;
    float2 ripple = float2(cos(wave.x + g_time), sin(wave.y + g_time)) * g_height_wave * 0.01;
    float2 uv = float2(i.projected.x / i.projected.w, 1.0 - i.projected.y / i.projected.w) + ripple;
    // The eye from the inverse view: the water's drawing sets no camera position.
    float3 toEye = normalize(g_ViewInv[3].xyz - i.world);
    // Schlick's approximation with the refraction index as the Fresnel factor.
    float r0 = pow((g_FresnelFaktor - 1.0) / (g_FresnelFaktor + 1.0), 2.0);
    float fresnel = r0 + (1.0 - r0) * pow(1.0 - saturate(toEye.y), 5.0);
    float3 mirrored = tex2D(ReflectionSampler, uv).rgb;
#if WATER_MODE == 4
    float lit = max(normalize(g_LightDir).y, 0.0);
    return float4(g_WaterColor.rgb * (g_LightAmbient.rgb + g_LightDiffuse.rgb * lit) * g_MaskColor.rgb,
                  g_WaterColor.a);
#elif WATER_MODE == 2
    return float4(mirrored * g_WaterColor.rgb * g_MaskColor.rgb, 1.0);
#else
    float3 below = g_WaterColor.rgb;
#if WATER_MODE == 1
    below = lerp(tex2D(RefractionSampler, uv).rgb * g_WaterColor.rgb, g_WaterFogColor.rgb, g_WaterFogColor.a);
#endif
    float3 colour = lerp(below, mirrored, fresnel);
#if WATER_MODE == 3
    float4 surface = baseColour(i.uv);
    colour = lerp(colour, surface.rgb, g_colorlerp.x * surface.a);
    colour = lerp(colour, colour * g_colorlerp.y + g_colorlerp.z, 0.5);
#endif
    return float4(saturate(colour * g_MaskColor.rgb), g_WaterColor.a);
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
