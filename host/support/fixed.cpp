// Fixed-point arithmetic of the AcroSupport table. Matrices follow PDF's
// convention: a point (x, y) maps to (a x + c y + h, b x + d y + v), and
// Concat(m1, m2) is the matrix that applies m1 first, then m2.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/host.h"
#include "core/tables.h"
#include "host/procs.h"
#include "support/fixed.h"

namespace host {

ASFixed FixedFromDouble(double v) {
  double scaled = std::nearbyint(v * 65536.0);
  if (std::isnan(scaled)) return 0;
  if (scaled >= 2147483647.0) return ASFixedMax;
  if (scaled <= -2147483648.0) return ASFixedMin;
  return static_cast<ASFixed>(scaled);
}

double FixedToDouble(ASFixed f) { return f / 65536.0; }

ASFixed SupFixedMul(ASFixed a, ASFixed b) { return FixedFromDouble(FixedToDouble(a) * FixedToDouble(b)); }

ASFixed SupFixedDiv(ASFixed a, ASFixed b) {
  // Division by zero saturates, as any overflow does.
  if (b == 0) return a >= 0 ? ASFixedMax : ASFixedMin;
  return FixedFromDouble(FixedToDouble(a) / FixedToDouble(b));
}

namespace {
// Locale-independent: a decimal point is always ".".
ASFixed ParseFixed(const char* text) {
  if (!text) return 0;
  while (*text == ' ' || *text == '\t') ++text;
  const bool negative = *text == '-';
  if (*text == '+') ++text;
  const char* end = text + std::strlen(text);
  double value = 0;
  auto r = std::from_chars(text, end, value);
  if (r.ec == std::errc::result_out_of_range) {
    // Below the smallest double is zero; beyond the largest saturates.
    std::string rest(text, end);
    if (rest.find("e-") != std::string::npos || rest.find("E-") != std::string::npos) return 0;
    return negative ? ASFixedMin : ASFixedMax;
  }
  if (r.ec != std::errc()) return 0;
  return FixedFromDouble(value);
}

// The fewest decimals, up to `most`, that read back to `f`: 16.16 values
// need at most five, their step being below 1/65536.
std::string ShortestText(ASFixed f, int most) {
  char buf[48];
  for (int decimals = 0; decimals <= most; ++decimals) {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, FixedToDouble(f));
    if (ParseFixed(buf) == f) break;
  }
  std::string s(buf);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}
}  // namespace

std::string ShortestFixedText(ASFixed f) { return ShortestText(f, 6); }

void SupFixedToCString(ASFixed f, char* text, ASSize_t maxLength, ASInt16 precision) {
  Enter(TableId::AcroSupport, AcroSupportSel::FixedToCString);
  if (!text || maxLength == 0) Raise(genErrBadParm);
  const std::string s = ShortestText(f, std::max(0, std::min<int>(precision, 9)));
  size_t n = std::min<size_t>(s.size(), maxLength - 1);
  std::memcpy(text, s.data(), n);
  text[n] = 0;
}

ASFixed SupCStringToFixed(const char* text) {
  Enter(TableId::AcroSupport, AcroSupportSel::CStringToFixed);
  return ParseFixed(text);
}

namespace {
struct M {
  double a, b, c, d, h, v;
};
M Of(const ASFixedMatrix& m) {
  return M{FixedToDouble(m.a), FixedToDouble(m.b), FixedToDouble(m.c),
           FixedToDouble(m.d), FixedToDouble(m.h), FixedToDouble(m.v)};
}
ASFixedMatrix To(const M& m) {
  return ASFixedMatrix{FixedFromDouble(m.a), FixedFromDouble(m.b), FixedFromDouble(m.c),
                       FixedFromDouble(m.d), FixedFromDouble(m.h), FixedFromDouble(m.v)};
}
}  // namespace

void SupFixedMatrixConcat(ASFixedMatrix* result, const ASFixedMatrix* m1, const ASFixedMatrix* m2) {
  Enter(TableId::AcroSupport, AcroSupportSel::FixedMatrixConcat);
  if (!result || !m1 || !m2) Raise(genErrBadParm);
  M x = Of(*m1), y = Of(*m2);
  *result = To(M{x.a * y.a + x.b * y.c, x.a * y.b + x.b * y.d, x.c * y.a + x.d * y.c, x.c * y.b + x.d * y.d,
                 x.h * y.a + x.v * y.c + y.h, x.h * y.b + x.v * y.d + y.v});
}

void SupFixedMatrixTransform(ASFixedPoint* result, const ASFixedMatrix* m, const ASFixedPoint* p) {
  Enter(TableId::AcroSupport, AcroSupportSel::FixedMatrixTransform);
  if (!result || !m || !p) Raise(genErrBadParm);
  M x = Of(*m);
  double px = FixedToDouble(p->h), py = FixedToDouble(p->v);
  *result = ASFixedPoint{FixedFromDouble(x.a * px + x.c * py + x.h), FixedFromDouble(x.b * px + x.d * py + x.v)};
}

void SupFixedMatrixTransformRect(ASFixedRect* result, const ASFixedMatrix* m, const ASFixedRect* r) {
  Enter(TableId::AcroSupport, AcroSupportSel::FixedMatrixTransformRect);
  if (!result || !m || !r) Raise(genErrBadParm);
  // The box around the four transformed corners, left-top-right-bottom with top above bottom.
  M x = Of(*m);
  double xs[2] = {FixedToDouble(r->left), FixedToDouble(r->right)};
  double ys[2] = {FixedToDouble(r->bottom), FixedToDouble(r->top)};
  double minx = 1e300, maxx = -1e300, miny = 1e300, maxy = -1e300;
  for (double px : xs)
    for (double py : ys) {
      double tx = x.a * px + x.c * py + x.h, ty = x.b * px + x.d * py + x.v;
      minx = std::min(minx, tx);
      maxx = std::max(maxx, tx);
      miny = std::min(miny, ty);
      maxy = std::max(maxy, ty);
    }
  *result = ASFixedRect{FixedFromDouble(minx), FixedFromDouble(maxy), FixedFromDouble(maxx), FixedFromDouble(miny)};
}

ASBool SupFixedMatrixInvert(ASFixedMatrix* result, const ASFixedMatrix* m) {
  Enter(TableId::AcroSupport, AcroSupportSel::FixedMatrixInvert);
  if (!result || !m) Raise(genErrBadParm);
  M x = Of(*m);
  double det = x.a * x.d - x.b * x.c;
  if (det == 0) return 0;
  M inv{x.d / det, -x.b / det, -x.c / det, x.a / det, 0, 0};
  inv.h = -(x.h * inv.a + x.v * inv.c);
  inv.v = -(x.h * inv.b + x.v * inv.d);
  *result = To(inv);
  return 1;
}

}  // namespace host
