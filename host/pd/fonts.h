// Fonts of the PD layer, read from font dictionaries.
#pragma once
#include "host/astypes.h"

namespace host {
PDFont PDFontFromCosObjImpl(CosObj font);
ASBool PDFontIsEmbeddedImpl(PDFont font);
ASAtom PDFontGetSubtypeImpl(PDFont font);
ASInt32 PDFontGetNameImpl(PDFont font, char* buffer, ASInt32 size);
const char* PDFontGetEncodingNameImpl(PDFont font);
}  // namespace host
