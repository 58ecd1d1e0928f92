// The HDR chain: down-scaling, luminance measurement (the log average, brought back with exp),
// eye adaptation, bright pass, Gaussian and bloom blurs, star streaks and their merge, and the
// final tone mapping. The renderer binds every texture to a sampler stage and sets the sampler
// states itself; the quad comes pre-transformed.

static const float3 LUMINANCE = float3(0.2125, 0.7154, 0.0721);
static const float3 ROD_COLOUR = float3(1.05, 0.97, 1.27);

float2 g_avSampleOffsets[16];
float4 g_avSampleWeights[16];
float g_fElapsedTime;
float g_fBrightThreshold;
float g_fBrightOffset;
float g_fMiddleGray;
float g_fBloomScale;
float g_fStarScale;
float g_fMinLuminance;
float g_fMaxLuminance;
int g_iToneMapType;
bool g_bEnableBlueShift;

sampler s0 : register(s0);
sampler s1 : register(s1);
sampler s2 : register(s2);
sampler s3 : register(s3);
sampler s4 : register(s4);
sampler s5 : register(s5);
sampler s6 : register(s6);
sampler s7 : register(s7);

float4 DownScale4x4PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 16; i++)
        sum += tex2D(s0, uv + g_avSampleOffsets[i]);
    return sum / 16;
}

float4 DownScale2x2PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 4; i++)
        sum += tex2D(s0, uv + g_avSampleOffsets[i]);
    return sum / 4;
}

// The log average over nine samples, so a few bright pixels do not outweigh the picture.
float4 SampleAvgLumPS(float2 uv : TEXCOORD0) : COLOR
{
    float logSum = 0;
    for (int i = 0; i < 9; i++)
        logSum += log(dot(tex2D(s0, uv + g_avSampleOffsets[i]).rgb, LUMINANCE) + 0.0001);
    logSum /= 9;
    return float4(logSum, logSum, 0, 1);
}

float4 ResampleAvgLumPS(float2 uv : TEXCOORD0) : COLOR
{
    float sum = 0;
    for (int i = 0; i < 16; i++)
        sum += tex2D(s0, uv + g_avSampleOffsets[i]).r;
    sum /= 16;
    return float4(sum, sum, 0, 1);
}

float4 ResampleAvgLumExpPS(float2 uv : TEXCOORD0) : COLOR
{
    float sum = 0;
    for (int i = 0; i < 16; i++)
        sum += tex2D(s0, uv + g_avSampleOffsets[i]).r;
    sum = exp(sum / 16);
    return float4(sum, sum, 0, 1);
}

// The eye moves towards the measured luminance by 1 - 0.98^(30 t): two percent of the remaining
// way per thirtieth of a second, whatever the frame rate.
float4 CalculateAdaptedLumPS(float2 uv : TEXCOORD0) : COLOR
{
    float adapted = tex2D(s0, float2(0.5, 0.5)).r;
    float measured = tex2D(s1, float2(0.5, 0.5)).r;
    float next = adapted + (measured - adapted) * (1 - pow(0.98, 30 * g_fElapsedTime));
    return float4(next, next, 0, 1);
}

float4 BrightPassFilterPS(float2 uv : TEXCOORD0) : COLOR
{
    float4 colour = tex2D(s0, uv);
    float adapted = tex2D(s1, float2(0.5, 0.5)).r;
    colour.rgb *= g_fMiddleGray / (adapted + 0.001);
    colour.rgb -= g_fBrightThreshold;
    colour.rgb = max(colour.rgb, 0);
    colour.rgb /= (g_fBrightOffset + colour.rgb);
    return float4(colour.rgb, 1);
}

float4 GaussBlur5x5PS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 13; i++)
        sum += g_avSampleWeights[i] * tex2D(s0, uv + g_avSampleOffsets[i]);
    return sum;
}

float4 BloomPS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 15; i++)
        sum += g_avSampleWeights[i] * tex2D(s0, uv + g_avSampleOffsets[i]);
    return sum;
}

float4 StarPS(float2 uv : TEXCOORD0) : COLOR
{
    float4 sum = 0;
    for (int i = 0; i < 8; i++)
        sum += g_avSampleWeights[i] * tex2D(s0, uv + g_avSampleOffsets[i]);
    return sum;
}

float4 Merge2PS(float2 uv : TEXCOORD0) : COLOR
{
    return g_avSampleWeights[0] * tex2D(s0, uv) + g_avSampleWeights[1] * tex2D(s1, uv);
}

float4 Merge4PS(float2 uv : TEXCOORD0) : COLOR
{
    return Merge2PS(uv) + g_avSampleWeights[2] * tex2D(s2, uv) + g_avSampleWeights[3] * tex2D(s3, uv);
}

float4 Merge6PS(float2 uv : TEXCOORD0) : COLOR
{
    return Merge4PS(uv) + g_avSampleWeights[4] * tex2D(s4, uv) + g_avSampleWeights[5] * tex2D(s5, uv);
}

float4 Merge8PS(float2 uv : TEXCOORD0) : COLOR
{
    return Merge6PS(uv) + g_avSampleWeights[6] * tex2D(s6, uv) + g_avSampleWeights[7] * tex2D(s7, uv);
}

// Tone mapping: 0 off, 1 the scene scaled by the key over the adapted luminance and compressed
// by x / (1 + x), 2 an exposure curve 1 - e^-x. Bloom and star are added afterwards.
float4 FinalScenePassPS(float2 uv : TEXCOORD0) : COLOR
{
    float4 colour = tex2D(s0, uv);
    float4 bloom = tex2D(s1, uv);
    float4 star = tex2D(s2, uv);
    float adapted = clamp(tex2D(s3, float2(0.5, 0.5)).r, g_fMinLuminance, g_fMaxLuminance);

    if (g_bEnableBlueShift) {
        // Night vision: dim scenes turn towards the rods' blue.
        float shift = saturate(1.0 - (adapted + 1.5) / 4.1);
        float3 rod = dot(colour.rgb, LUMINANCE) * ROD_COLOUR;
        colour.rgb = lerp(colour.rgb, rod, shift);
    }
    if (g_iToneMapType == 1) {
        colour.rgb *= g_fMiddleGray / (adapted + 0.001);
        colour.rgb /= (1.0 + colour.rgb);
    } else if (g_iToneMapType == 2) {
        colour.rgb = 1.0 - exp(-colour.rgb * g_fMiddleGray / (adapted + 0.001));
    }
    colour.rgb += g_fStarScale * star.rgb + g_fBloomScale * bloom.rgb;
    return colour;
}

#define HDR_TECHNIQUE(name, entry) \
    technique name \
    { \
        pass P0 \
        { \
            ZEnable = FALSE; \
            ZWriteEnable = FALSE; \
            CullMode = NONE; \
            AlphaBlendEnable = FALSE; \
            AlphaTestEnable = FALSE; \
            VertexShader = NULL; \
            PixelShader = compile ps_3_0 entry(); \
        } \
    }

HDR_TECHNIQUE(DownScale4x4, DownScale4x4PS)
HDR_TECHNIQUE(DownScale2x2, DownScale2x2PS)
HDR_TECHNIQUE(SampleAvgLum, SampleAvgLumPS)
HDR_TECHNIQUE(ResampleAvgLum, ResampleAvgLumPS)
HDR_TECHNIQUE(ResampleAvgLumExp, ResampleAvgLumExpPS)
HDR_TECHNIQUE(CalculateAdaptedLum, CalculateAdaptedLumPS)
HDR_TECHNIQUE(BrightPassFilter, BrightPassFilterPS)
HDR_TECHNIQUE(GaussBlur5x5, GaussBlur5x5PS)
HDR_TECHNIQUE(Bloom, BloomPS)
HDR_TECHNIQUE(Star, StarPS)
HDR_TECHNIQUE(MergeTextures_2, Merge2PS)
HDR_TECHNIQUE(MergeTextures_4, Merge4PS)
HDR_TECHNIQUE(MergeTextures_6, Merge6PS)
HDR_TECHNIQUE(MergeTextures_8, Merge8PS)
HDR_TECHNIQUE(FinalScenePass, FinalScenePassPS)
