#include "self.fxh"
