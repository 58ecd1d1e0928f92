#include "include_constants.fxh"
float3 g_LightDirection = {0, 0, 1};

float lambert(float3 n)
{
    return saturate(dot(normalize(n), -g_LightDirection));
}
