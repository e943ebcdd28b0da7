// One named set of the settings that steer an image conversion, stored as
// 19 texts under "<set>:<field>" in the option store. The plug-in keeps
// "ALTS" (creating alternates) and "ORIG" (modifying images in place).
#pragma once
#include <cstdint>
#include <string>

class ImageOptions {
 public:
  // Compression codes of MCT and CTCT.
  enum Compression : int32_t {
    kUseOriginal = 0,
    kNoCompression = 1,
    kLZW = 2,
    kFlate = 3,
    kPackbits = 4,
    kCCITTG3 = 5,
    kCCITTG4 = 6,
    kJPEG = 7
  };

  // The defaults, then the stored values of the set.
  explicit ImageOptions(const std::string& setName);
  ImageOptions(const ImageOptions&) = default;
  ImageOptions& operator=(const ImageOptions&) = default;

  void SetDefaults();
  // A key stored empty, or not at all, keeps the field's value; a text that
  // is not a number reads as 0.
  void Load(const std::string& setName);
  // Every field, one store write each; with `was` (the set as it was read),
  // only the fields that differ from it, so that values other runs stored
  // meanwhile stay where this one changed nothing.
  void Save(const std::string& setName, const ImageOptions* was = nullptr) const;

  int32_t ScaleMethod;  // 0 DPU is the target, 1 own resolution times Factor, 2 unchanged
  double DPU;
  int32_t ScaleUnits;  // 0 dpi, 1 dpmm
  double Factor;
  int32_t MCT;   // monochrome images: a Compression
  int32_t CTCT;  // colour and grayscale images: a Compression
  int32_t JpegQuality;  // 0 "Minimum" to 4 "Maximum"
  bool AsciiEncode;
  int32_t ScaleCriteria;  // 0 all images, 1 at least LimitDPU, 2 larger than LimitKBytes
  double LimitDPU;
  int32_t LimitUnits;
  double LimitKBytes;  // of 1024 bytes
  // Colour conversion: stored and copied, not yet used.
  bool ConvertColors;
  bool CCRGB;
  bool CCCMYK;
  bool CCGrayscale;
  bool CCLab;
  bool CCSpots;
  int32_t OutputProfile;  // 1 "Output Device"
};
