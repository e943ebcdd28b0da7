// The page-box editor's host entries are wrapped as every plug-in's are;
// the integer -1 of a box's fault becomes a note like any other exception.
#pragma once
#include "common/HostEntry.h"
