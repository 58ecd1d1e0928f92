// Shares its tint with every effect of the pool.
shared float4 g_SharedTint = {0, 0, 0, 1};
float4 g_Own = {0, 0, 0, 0};

float4 PS() : COLOR0 { return g_SharedTint + g_Own; }

float4 VS(float4 p : POSITION) : POSITION { return p; }

technique T { pass { CullMode = None; ZEnable = false; VertexShader = compile vs_2_0 VS(); PixelShader = compile ps_2_0 PS(); } }
