// The plug-in's own resource table: the About dialog (129) and the bitmaps
// 6, 7 and 128.
#pragma once
#include "host/resources.h"

extern const PIResourceTable kGlimmersetResources;
