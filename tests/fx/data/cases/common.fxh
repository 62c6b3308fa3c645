// Shared by the macro cases.
#define PASS(name, ps) pass name { SetVertexShader(CompileShader(vs_4_0, VS())); SetPixelShader(CompileShader(ps_4_0, ps)); }
