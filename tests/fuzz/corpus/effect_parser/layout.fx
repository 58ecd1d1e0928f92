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
