// Variants chosen by macros.
#define SQUARE(x) ((x) * (x))
#define CONCAT(a, b) a##b
#ifndef QUALITY
#define QUALITY 1
#endif

#if QUALITY >= 2 && defined(SHADOWS)
float g_ShadowBias = 0.002;
#elif QUALITY == 1
float g_LowQuality = SQUARE(3);
#else
float g_Fallback;
#endif

float CONCAT(g_, Pasted) = 1.5;

float4 PS() : COLOR0 { return float4(0, 0, 0, 1); }

technique T { pass { PixelShader = compile ps_2_0 PS(); } }
