// A directional light over the whole G-buffer (a screen quad) added into the light target:
// diffuse light from the opposite of lightDirection, the ambient colour everywhere something was
// drawn, the highlight in alpha. With shadows the parallel-split maps hold the linear light depth
// seen from the light, one per split of the camera's depth range (splitpositions, the view depths
// between the splits); viewToLightProj takes a world point into the split's light projection.
#include "deferredcommon.fxh"

bool isSkyLight = false;
float4x4 invertProj;
float4x4 viewToLightProj[4];
float splitpositions[5];
int splitCount = 1;
texture shadowMapDir_1;
texture shadowMapDir_2;
texture shadowMapDir_3;
texture shadowMapDir_4;

sampler split1 = sampler_state
{
    Texture = <shadowMapDir_1>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler split2 = sampler_state
{
    Texture = <shadowMapDir_2>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler split3 = sampler_state
{
    Texture = <shadowMapDir_3>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

sampler split4 = sampler_state
{
    Texture = <shadowMapDir_4>;
    MinFilter = POINT;
    MagFilter = POINT;
    MipFilter = NONE;
    AddressU = CLAMP;
    AddressV = CLAMP;
};

float storedDepth(int split, float2 uv)
{
    if (split == 0)
        return tex2D(split1, uv).r;
    if (split == 1)
        return tex2D(split2, uv).r;
    if (split == 2)
        return tex2D(split3, uv).r;
    return tex2D(split4, uv).r;
}

float splitShare(int split, float3 world, float2 offset)
{
    float4 seen = mul(float4(world, 1.0), viewToLightProj[split]);
    float2 uv = seen.xy / seen.w * float2(0.5, -0.5) + 0.5 + offset;
    // The split projections keep clip z linear from the light's near to its far plane (0..1): the
    // maps hold it undivided, and the bias is a share of that range.
    return shadowShare(seen.z > storedDepth(split, uv) + 0.01);
}

float4 PS(float2 uv : TEXCOORD0, uniform int shadows) : COLOR
{
    Surface s = surfaceAt(uv);
    float drawn = step(s.depth, 0.99999);
    float share = 1.0;
    if (shadows > 0) {
        float4 v = mul(float4(uv.x * 2.0 - 1.0, 1.0 - uv.y * 2.0, s.depth, 1.0), invertProj);
        float viewDepth = v.z / v.w;
        int split = 0;
        for (int k = 1; k < 4; ++k)
            if (k < splitCount && viewDepth > splitpositions[k])
                split = k;
        if (shadows == 1) {
            share = splitShare(split, s.position, float2(0.0, 0.0));
        } else {
            float t = 1.0 / g_ShadowMapSize;
            share = 0.25 * (splitShare(split, s.position, float2(t, 0.0)) +
                            splitShare(split, s.position, float2(-t, 0.0)) +
                            splitShare(split, s.position, float2(0.0, t)) +
                            splitShare(split, s.position, float2(0.0, -t)));
        }
    }
    float3 l = -normalize(lightDirection);
    float4 lit = shade(s, l) * share;
    // A sky light also reaches faces turned away, at half.
    if (isSkyLight)
        lit.rgb += lightColor.rgb * 0.5 * saturate(-dot(s.normal, l)) * share;
    return float4(lit.rgb + lightAmbientColor.rgb, lit.a) * (drawn * lightIntensity);
}

technique Directionallight
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS(0);
    }
}

technique Directionallight_Shadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS(1);
    }
}

technique Directionallight_SoftShadows
{
    pass P0
    {
        ZEnable = FALSE;
        ZWriteEnable = FALSE;
        CullMode = NONE;
        VertexShader = NULL;
        PixelShader = compile ps_3_0 PS(2);
    }
}
