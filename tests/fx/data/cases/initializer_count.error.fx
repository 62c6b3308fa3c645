float3 Direction = {1, 0};
