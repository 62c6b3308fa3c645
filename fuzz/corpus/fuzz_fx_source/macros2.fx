#define A(x) x##x
#if FUZZ && defined(A)
float4 A(B);
#endif
