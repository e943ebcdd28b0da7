#pragma once
#include <string>

#include "host/astypes.h"

namespace host {
ASFixed FixedFromDouble(double v);  // rounded to nearest, saturated
double FixedToDouble(ASFixed f);
// The fewest decimals that read back to `f` (as FixedFromDouble reads a number):
// "246.096", "612", never an exponent.
std::string ShortestFixedText(ASFixed f);
ASFixed SupFixedMul(ASFixed a, ASFixed b);
ASFixed SupFixedDiv(ASFixed a, ASFixed b);
void SupFixedToCString(ASFixed f, char* text, ASSize_t maxLength, ASInt16 precision);
ASFixed SupCStringToFixed(const char* text);
void SupFixedMatrixConcat(ASFixedMatrix* result, const ASFixedMatrix* m1, const ASFixedMatrix* m2);
void SupFixedMatrixTransform(ASFixedPoint* result, const ASFixedMatrix* m, const ASFixedPoint* p);
void SupFixedMatrixTransformRect(ASFixedRect* result, const ASFixedMatrix* m, const ASFixedRect* r);
ASBool SupFixedMatrixInvert(ASFixedMatrix* result, const ASFixedMatrix* m);
}  // namespace host
