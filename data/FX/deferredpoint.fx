// A point light over the G-buffer, drawn as its sphere and added into the light target: diffuse
// and ambient light fading to nothing at the light's radius (FALLOFF_RADIUS the exponent of the
// fade), the highlight in alpha. With shadows, the cube map of the light's surroundings holds per
// direction the projected depth z / w of the nearest caster (near 0.1, far the radius).
// Pointlight_Instanced draws many lights without shadows at once: a volume per instance, placed
// and scaled by the instance's place (xyz position, w radius), the light's values from the
// instance stream instead of the per-light constants; only back faces, so a pixel is lit once
// with the eye inside or outside the volume. Pointlight_Rects draws the same lights as screen
// rectangles the processor worked out, already in clip space, with the same pixel shader;
// Pointlight_Points draws them as squares, one point a light, its side in pixels in position.w.
#include "deferredcommon.fxh"

textureCUBE shadowMapCube;

samplerCUBE cubeSampler = sampler_state
{
    Texture = <shadowMapCube>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
};

// The distance along a face camera's axis that a stored projected depth z / w stands for
// (near 0.1, far the radius).
float axisDistance(float projected)
{
    float n = 0.1;
    float f = lightRadius;
    return n * f / max(f - projected * (f - n), 0.00001);
}

// Compared as distances, with a bias that grows with them: a texel of the cube covers more of a
// surface the further it lies.
bool inCubeShadow(float3 fromLight, float3 offset)
{
    float3 a = abs(fromLight);
    float d = max(a.x, max(a.y, a.z));
    float stored = axisDistance(texCUBE(cubeSampler, fromLight + offset).r);
    return d > stored + 0.03 + 0.02 * d;
}

float4 PS(VolumeOut i, uniform int shadows) : COLOR
{
    Surface s = surfaceAt(screenUV(i.screen));
    float3 toLight = lightPosition - s.position;
    float d = length(toLight);
    float fade = pow(saturate(1.0 - d / lightRadius), lightFalloffRadius) * step(s.depth, 0.99999);
    float share = 1.0;
    if (shadows == 1) {
        share = shadowShare(inCubeShadow(-toLight, float3(0.0, 0.0, 0.0)));
    } else if (shadows == 2) {
        float e = d * 2.0 / g_ShadowMapSize;
        share = 0.25 * (shadowShare(inCubeShadow(-toLight, float3(e, 0.0, 0.0))) +
                        shadowShare(inCubeShadow(-toLight, float3(-e, 0.0, 0.0))) +
                        shadowShare(inCubeShadow(-toLight, float3(0.0, e, 0.0))) +
                        shadowShare(inCubeShadow(-toLight, float3(0.0, -e, 0.0))));
    }
    float4 lit = shade(s, toLight / max(d, 0.0001)) * share;
    return float4(lit.rgb + lightAmbientColor.rgb, lit.a) * (fade * lightIntensity);
}

struct InstanceOut {
    float4 position : POSITION;
    float4 screen : TEXCOORD0;
    float4 place : TEXCOORD1;
    float4 colour : TEXCOORD2;
    float4 ambient : TEXCOORD3;
    float4 terms : TEXCOORD4;
};

InstanceOut InstancedVS(float3 position : POSITION, float4 place : TEXCOORD1, float4 colour : TEXCOORD2,
                        float4 ambient : TEXCOORD3, float4 terms : TEXCOORD4)
{
    InstanceOut o;
    o.position = mul(mul(float4(position * place.w + place.xyz, 1.0), View), Projection);
    o.screen = o.position;
    o.place = place;
    o.colour = colour;
    o.ambient = ambient;
    o.terms = terms;
    return o;
}

// A light of the batch at the G-buffer's texel uv, its values as the instance stream has them.
float4 batchLight(float2 uv, float4 place, float4 colour, float4 ambient, float4 terms)
{
    Surface s = surfaceAt(uv);
    float3 toLight = place.xyz - s.position;
    float d = length(toLight);
    float fade = pow(saturate(1.0 - d / place.w), ambient.w) * step(s.depth, 0.99999);
    float4 lit = shadeWith(s, toLight / max(d, 0.0001), colour.rgb, terms.xy);
    return float4(lit.rgb + ambient.rgb, lit.a) * (fade * terms.z);
}

float4 InstancedPS(InstanceOut i) : COLOR
{
    return batchLight(screenUV(i.screen), i.place, i.colour, i.ambient, i.terms);
}

InstanceOut RectVS(float4 position : POSITION, float4 place : TEXCOORD1, float4 colour : TEXCOORD2,
                   float4 ambient : TEXCOORD3, float4 terms : TEXCOORD4)
{
    InstanceOut o;
    o.position = position;
    o.screen = position;
    o.place = place;
    o.colour = colour;
    o.ambient = ambient;
    o.terms = terms;
    return o;
}

struct PointOut {
    float4 position : POSITION;
    float size : PSIZE;
    float4 place : TEXCOORD1;
    float4 colour : TEXCOORD2;
    float4 ambient : TEXCOORD3;
    float4 terms : TEXCOORD4;
};

// The point's side in pixels comes in position.w.
PointOut PointVS(float4 position : POSITION, float4 place : TEXCOORD1, float4 colour : TEXCOORD2,
                 float4 ambient : TEXCOORD3, float4 terms : TEXCOORD4)
{
    PointOut o;
    o.position = float4(position.xyz, 1.0);
    o.size = position.w;
    o.place = place;
    o.colour = colour;
    o.ambient = ambient;
    o.terms = terms;
    return o;
}

// A point's values are the same all over it: where the pixel lies comes from VPOS, the texel
// centre screenUV gives at that pixel.
float4 PointPS(float2 pixel : VPOS, float4 place : TEXCOORD1, float4 colour : TEXCOORD2, float4 ambient : TEXCOORD3,
               float4 terms : TEXCOORD4) : COLOR
{
    return batchLight((pixel * 2.0 + 1.0) * halfPixel, place, colour, ambient, terms);
}

technique Pointlight_Points
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = compile vs_3_0 PointVS();
        PixelShader = compile ps_3_0 PointPS();
    }
}

technique Pointlight_Rects
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = compile vs_3_0 RectVS();
        PixelShader = compile ps_3_0 InstancedPS();
    }
}

technique Pointlight_Instanced
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 InstancedVS();
        PixelShader = compile ps_3_0 InstancedPS();
    }
}

technique Pointlight
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(0);
    }
}

technique Pointlight_Shadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(1);
    }
}

technique Pointlight_SoftShadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = CW;
        VertexShader = compile vs_3_0 VolumeVS();
        PixelShader = compile ps_3_0 PS(2);
    }
}
