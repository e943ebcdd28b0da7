// The checker's settings: keys of the plug-in's own preference section, each
// spelt exactly as stored (keys compare byte by byte), and the defaults the
// user-interface object sets in a section that is still empty after loading.
// Flags are "true" or "false"; numbers are decimal texts; lists of names join
// them with "|".
#pragma once

namespace Zentu {
namespace PrefKeys {

// The standard checked against and the characterised printing condition.
constexpr const char kConformance[] = "conformance";
constexpr const char kConditionType[] = "default_condition_type";  // "name" or "profile"
constexpr const char kConditionTypeName[] = "name";
constexpr const char kConditionTypeProfile[] = "profile";
constexpr const char kCondition[] = "default_condition";
constexpr const char kConditionDescription[] = "default_profile_info_key";
constexpr const char kFailIfNotDefault[] = "fail_if_CPC_not_default";
constexpr const char kAutoFixToDefault[] = "auto_fix_to_default_CPC";

// The workflow checks.
constexpr const char kWorkflowChecks[] = "make_workflow_checks";
constexpr const char kAllowJpeg[] = "allow_jpeg_compression";
constexpr const char kType1FontsOnly[] = "type1_fonts_only";
constexpr const char kConstrainImageDpi[] = "constrain_image_dpi";
constexpr const char kMinImageDpi[] = "min_image_dpi";
constexpr const char kMaxImageDpi[] = "max_image_dpi";
constexpr const char kConstrainBitmapDpi[] = "constrain_1bit_dpi";
constexpr const char kMinBitmapDpi[] = "min_1bit_dpi";
constexpr const char kMaxBitmapDpi[] = "max_1bit_dpi";
constexpr const char kMaxSpots[] = "max_spots";

// The profile lists, one set a kind: 0 the printing condition's, 1 gray,
// 2 RGB, 3 CMYK. The n-th name belongs to the n-th file name.
struct ProfileKeys {
  const char* chosen;
  const char* names;
  const char* fileNames;
};
constexpr ProfileKeys kProfileKeys[4] = {
    {"default_profile", "default_profile_names", "default_profile_filenames"},
    {"gray_profile", "gray_profile_names", "gray_profile_filenames"},
    {"rgb_profile", "rgb_profile_names", "rgb_profile_filenames"},
    {"cmyk_profile", "cmyk_profile_names", "cmyk_profile_filenames"},
};

struct Default {
  const char* key;
  const char* value;
};
constexpr Default kWorkflowDefaults[] = {
    {kMinImageDpi, "150"},
    {kMaxImageDpi, "400"},
    {kMinBitmapDpi, "300"},
    {kMaxBitmapDpi, "1200"},
};

}  // namespace PrefKeys
}  // namespace Zentu
