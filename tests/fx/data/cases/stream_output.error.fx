float4 VS(float4 p : POSITION) : SV_Position { return p; }

GeometryShader StreamOut = ConstructGSWithSO(CompileShader(vs_4_0, VS()), "SV_Position.xyzw");
