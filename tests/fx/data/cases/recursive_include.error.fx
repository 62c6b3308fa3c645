#include "recursive.fxh"
