// The trailer step: the trailer dictionary as written at the file's tail,
// its Encrypt dictionary and its Size. Not built yet: the trailer is not
// read and no trailer rule runs.
#include "engine/PDFXPreflight.h"

void PDFXPreflight::ReadTrailerFromFile() {}
