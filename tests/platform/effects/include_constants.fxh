#define LIGHT_COLOR float4(1.0, 0.9, 0.8, 1.0)
