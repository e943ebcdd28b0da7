#include "alternates/ImageOptions.h"

#include <cstdio>
#include <cstdlib>

#include "alternates/Preferences.h"

namespace {

// One field of the set: its key, where it lives (one of the three) and its
// default, in the order the set is stored.
struct Field {
  const char* key;
  int32_t ImageOptions::*integer;
  double ImageOptions::*real;
  bool ImageOptions::*flag;
  double value;
};

constexpr Field Integer(const char* key, int32_t ImageOptions::*field, int32_t value) {
  return {key, field, nullptr, nullptr, static_cast<double>(value)};
}
constexpr Field Real(const char* key, double ImageOptions::*field, double value) {
  return {key, nullptr, field, nullptr, value};
}
constexpr Field Flag(const char* key, bool ImageOptions::*field) { return {key, nullptr, nullptr, field, 0}; }

const Field kFields[] = {
    Integer("ScaleMethod", &ImageOptions::ScaleMethod, 0),
    Real("DPU", &ImageOptions::DPU, 72.0),
    Integer("ScaleUnits", &ImageOptions::ScaleUnits, 0),
    Real("Factor", &ImageOptions::Factor, 0.5),
    Integer("MCT", &ImageOptions::MCT, ImageOptions::kUseOriginal),
    Integer("CTCT", &ImageOptions::CTCT, ImageOptions::kUseOriginal),
    Integer("JpegQuality", &ImageOptions::JpegQuality, 3),
    Flag("AsciiEncode", &ImageOptions::AsciiEncode),
    Integer("ScaleCriteria", &ImageOptions::ScaleCriteria, 0),
    Real("LimitDPU", &ImageOptions::LimitDPU, 72.0),
    Integer("LimitUnits", &ImageOptions::LimitUnits, 0),
    Real("LimitKBytes", &ImageOptions::LimitKBytes, 512.0),
    Flag("ConvertColors", &ImageOptions::ConvertColors),
    Flag("CCRGB", &ImageOptions::CCRGB),
    Flag("CCCMYK", &ImageOptions::CCCMYK),
    Flag("CCGrayscale", &ImageOptions::CCGrayscale),
    Flag("CCLab", &ImageOptions::CCLab),
    Flag("CCSpots", &ImageOptions::CCSpots),
    Integer("OutputProfile", &ImageOptions::OutputProfile, 1),
};

std::string StoreKey(const std::string& setName, const Field& field) { return setName + ":" + field.key; }

}  // namespace

ImageOptions::ImageOptions(const std::string& setName) {
  SetDefaults();
  Load(setName);
}

void ImageOptions::SetDefaults() {
  for (const Field& f : kFields) {
    if (f.integer)
      this->*f.integer = static_cast<int32_t>(f.value);
    else if (f.real)
      this->*f.real = f.value;
    else
      this->*f.flag = f.value != 0;
  }
}

void ImageOptions::Load(const std::string& setName) {
  Preferences* prefs = Preferences::Instance();
  if (!prefs) return;
  for (const Field& f : kFields) {
    std::string text;
    prefs->GetString(text, StoreKey(setName, f));
    if (text.empty()) continue;
    if (f.integer)
      this->*f.integer = std::atoi(text.c_str());
    else if (f.real)
      this->*f.real = std::atof(text.c_str());
    else
      this->*f.flag = std::atoi(text.c_str()) != 0;
  }
}

namespace {

// A field's stored text.
std::string Stored(const ImageOptions& o, const Field& f) {
  char text[400];  // "%f" of the largest double is 317 characters
  if (f.real)
    std::snprintf(text, sizeof text, "%f", o.*f.real);
  else
    std::snprintf(text, sizeof text, "%d", f.integer ? static_cast<int>(o.*f.integer) : (o.*f.flag ? 1 : 0));
  return text;
}

}  // namespace

void ImageOptions::Save(const std::string& setName, const ImageOptions* was) const {
  Preferences* prefs = Preferences::Instance();
  if (!prefs) return;
  for (const Field& f : kFields) {
    const std::string text = Stored(*this, f);
    if (!was || text != Stored(*was, f)) prefs->SetString(StoreKey(setName, f), text);
  }
}
