// The built-in ICC profiles as resources of the module: "ICCPROFILE" 110
// (gray) and 112 (CMYK). The table is a generated source of the engine; a
// plug-in that carries the profiles lists it in its resource directory.
#pragma once
#include "host/resources.h"

extern const PIResourceTable kICCProfileResources;
