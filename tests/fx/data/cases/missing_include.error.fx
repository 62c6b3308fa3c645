// A header that does not exist.
#include "missing.fxh"
