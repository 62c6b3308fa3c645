float4 Twice;
#include "recursive.fxh"
