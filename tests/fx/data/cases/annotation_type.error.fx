float4 Color <float UIMin = "low";>;
