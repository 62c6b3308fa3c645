// Shader variables, arrays of them, literal arguments for uniform
// parameters, and a geometry shader between them.
struct VSOut
{
    float4 Pos : SV_Position;
    float4 Color : COLOR0;
};

VSOut VS(float3 pos : POSITION, float4 color : COLOR, uniform float scale, uniform bool invert)
{
    VSOut output;
    output.Pos = float4(pos * scale, 1);
    output.Color = invert ? 1 - color : color;
    return output;
}

[maxvertexcount(6)]
void GS(triangle VSOut input[3], inout TriangleStream<VSOut> stream, uniform int copies)
{
    for (int c = 0; c < copies; c++)
    {
        for (int v = 0; v < 3; v++)
        {
            VSOut output = input[v];
            output.Pos.x += c * 0.1;
            stream.Append(output);
        }
        stream.RestartStrip();
    }
}

float4 PS(VSOut input) : SV_Target { return input.Color; }

VertexShader Shaders[2] = { CompileShader(vs_4_0, VS(1.0, false)), CompileShader(vs_4_0, VS(0.5, true)) };
GeometryShader Doubler = CompileShader(gs_4_0, GS(2));
PixelShader NoPixels = NULL;
PixelShader Pixels = CompileShader(ps_4_0, PS());

technique10 Variables
{
    pass Whole
    {
        SetVertexShader(Shaders[1]);
        SetGeometryShader(Doubler);
        SetPixelShader(Pixels);
    }
    pass Inline
    {
        SetVertexShader(CompileShader(vs_4_0, VS(1.0, false)));
        SetGeometryShader(CompileShader(gs_4_0, GS(1)));
        SetPixelShader(NoPixels);
    }
}
