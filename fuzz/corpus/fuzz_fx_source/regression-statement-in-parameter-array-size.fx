float4 f(float4 input[;]) : SV_Target { return 1; }
float4 g(float4 input[3 / (2)], float4 other[(4) - 1]) : SV_Target { return 1; }
technique10 T { pass P { SetPixelShader(CompileShader(ps_4_0, f())); } }
