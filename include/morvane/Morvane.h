// The whole exported interface of the engine.
#pragma once

#include "AdapterInfo.h"
#include "ArchiveStream.h"
#include "Clock.h"
#include "Core.h"
#include "DXMath.h"
#include "GrowArray.h"
#include "Logger.h"
#include "SharedObject.h"
#include "StringEX.h"
