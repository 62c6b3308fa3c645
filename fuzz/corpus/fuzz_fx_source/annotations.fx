// Annotations on buffers, variables, techniques and passes; strings.
cbuffer Parameters <string Group = "Look"; int Order = 2;>
{
    float4 Color <string UIName = "Colour"; string UIWidget = "Color"; float3 Default = {1, 0.5, 0};> = {1, 0, 0, 1};
    float Gloss <float UIMin = 0.0; float UIMax = 1.0; bool Hidden = false; int Steps[2] = {10, 20};> = 0.5;
};

string Title = "Annotated \"effect\"";
string Names[2] = {"first", "second"};
Texture2D Albedo <string ResourceName = "albedo.dds"; string ResourceType = "2D";>;

float4 PS() : SV_Target { return Color * Gloss + Albedo.Load(int3(0, 0, 0)); }

technique10 Render <string Description = "The only technique"; float Version = 1.5;>
{
    pass Main <string Mode = "opaque";>
    {
        SetPixelShader(CompileShader(ps_4_0, PS()));
    }
}
