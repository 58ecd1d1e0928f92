// Reads back values from every shape of constant: arrays, structs, matrices of both
// orders, ints and bools.
float g_Weights[3];
struct Light { float3 position; float4 color; };
Light g_Light;
row_major float4x3 g_Rows;
float3x3 g_Columns;
int g_Index;
bool g_Flag;

float4 ArraysPS() : COLOR0 { return float4(g_Weights[0], g_Weights[2], g_Light.color.y, g_Flag ? 1 : 0); }
float4 MatricesPS() : COLOR0 { return float4(g_Rows[3][1], g_Rows[0][2], g_Columns[1][2], g_Columns[2][0]); }
float4 MixedPS(uniform float scale) : COLOR0
{
    return float4(g_Light.position.z, g_Index / 8.0, g_Weights[1], 1) * scale;
}

technique Arrays { pass { ZEnable = false; PixelShader = compile ps_2_0 ArraysPS(); } }
technique Matrices { pass { ZEnable = false; PixelShader = compile ps_2_0 MatricesPS(); } }
technique Mixed { pass { ZEnable = false; PixelShader = compile ps_2_0 MixedPS(0.5); } }

// Flow-control hints are common in effect files and must not stop a shader from building.
float4 HintedPS() : COLOR0
{
    float sum = 0;
    [unroll] for (int i = 0; i < 3; ++i)
        sum += g_Weights[i];
    float4 c = float4(0, 0, 0, 1);
    [branch] if (g_Flag)
        c.r = sum / 3.0;
    [flatten] if (g_Index > 3)
        c.g = 1.0;
    [loop] for (int k = 0; k < g_Index; ++k)
        c.b += 0.125;
    return c;
}
technique Hinted { pass { ZEnable = false; PixelShader = compile ps_3_0 HintedPS(); } }
