// The part of every standard's rule build that comes first: the per-check
// bookkeeping reset, the reference printing conditions (once per load) and
// the workflow rules the user switched on in the settings.
#include <cstdlib>

#include "common/Prefs.h"
#include "engine/CheckCallbacks.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"

namespace {

struct ReferenceCondition {
  const char* identifier;
  int kind;  // 2 CMYK printing conditions, 1 RGB
  const char* profileFile;
  const char* description;
};

const ReferenceCondition kReferenceConditions[] = {
    {"CGATS TR 001", 2, "ANSI TR 001.icc", "SWOP CGATS TR 001-1995"},
    {"Ifra_NP_40lcm_neg+CTP_05.00", 2, "ISO 12647-3.icc",
     "ISO 12647-3, coldset offset, screen frequency 40/cm, contact exposed negative acting plates and directly "
     "exposed plates (CTP)"},
    {"OF COM PO P1 F60", 2, "OF COM PO P1 F60.icc",
     "ISO 12647-2, positive plates, gloss-coated, screen frequency 60/cm"},
    {"OF COM PO P2 F60", 2, "OF COM PO P2 F60.icc",
     "ISO 12647-2, positive plates, matte-coated, screen frequency 60/cm"},
    {"OF COM PO P3 F60", 2, "OF COM PO P3 F60.icc",
     "ISO 12647-2, positive plates, light weight coated web, screen frequency 60/cm"},
    {"OF COM PO P4 F60", 2, "OF COM PO P4 F60.icc",
     "ISO 12647-2, positive plates, uncoated white offset, screen frequency 60/cm"},
    {"OF COM NE P1 F60", 2, "", "ISO 12647-2, negative plates, gloss-coated, screen frequency 60/cm"},
    {"OF COM NE P2 F60", 2, "", "ISO 12647-2, negative plates, matte-coated, screen frequency 60/cm"},
    {"OF COM NE P3 F60", 2, "", "ISO 12647-2, negative plates, light weight coated web, screen frequency 60/cm"},
    {"OF COM NE P4 F60", 2, "", "ISO 12647-2, negative plates, uncoated white offset, screen frequency 60/cm"},
    {"SC GC2 CO F30", 2, "", "ISO 12647-5, conventional UV or water-based air dried, screen frequency 30/cm"},
    {"eciRGB", 1, "ecirgb10.icm", "ECI RGB"},
};

const int kMaxSpotColors = 32;

typedef boost::shared_ptr<KeyRule> RulePtr;

// The setting's value when it is present and exactly `wanted`.
bool SettingIs(const char* key, const char* wanted) {
  std::string value;
  return Prefs::Get(key, value) && value == wanted;
}

void FillReferenceConditions(OutputConditionMap& table) {
  // The profile files lie beside the plug-in; a condition without one keeps
  // the folder alone.
  const std::string folder = GetModulePath() + "/";
  for (const ReferenceCondition& row : kReferenceConditions) {
    boost::shared_ptr<OutputIntentRecord> profile(new OutputIntentRecord);
    profile->file = folder + row.profileFile;
    // The colour family follows the kind: the files are not read here, and
    // some conditions have none.
    const int family = row.kind == 2 ? 2 : row.kind == 1 ? 1 : 3;
    table[row.identifier] = boost::shared_ptr<OutputCondition>(
        new OutputCondition(row.identifier, profile, row.kind, true, row.description, family));
  }
}

// A reporting key rule of the workflow checks.
RulePtr WorkflowKeyRule(int presence, const char* key, const char* value, int problem, const char* message) {
  RulePtr rule(new KeyRule(presence, key, value, '|'));
  rule->severity = WORKFLOW_ERROR;
  rule->problemKind = problem;
  rule->message = message;
  rule->silent = false;
  return rule;
}

}  // namespace

namespace Zentu {

bool Conformance::BuildRules() {
  text.clear();
  secondLimit = -1;
  if (!rules) rules.reset(new RuleList);
  rules->clear();

  OutputConditionMap& conditions = GetPrintingConditions();
  if (conditions.empty()) FillReferenceConditions(conditions);

  if (!SettingIs("make_workflow_checks", "true")) return true;

  if (SettingIs("allow_jpeg_compression", "false")) {
    RulePtr streams(new KeyRule(KeyRule::NO_PRESENCE, static_cast<int>(CosStream)));
    RulePtr images(new KeyRule(KIND_IMAGE));
    images->AddChild(WorkflowKeyRule(KeyRule::PROHIBITED, "Filter", "DCTDecode", PROBLEM_BAD_JPEG,
                                     "JPEG compressed images are not allowed under the workflow checks selected in "
                                     "settings."));
    streams->AddChild(images);
    rules->push_back(streams);
  }

  if (SettingIs("type1_fonts_only", "true")) {
    RulePtr fonts(new KeyRule(KIND_FONT));
    fonts->AddChild(WorkflowKeyRule(KeyRule::REQUIRED, "Subtype", "Type1", PROBLEM_NOT_TYPE1,
                                    "Workflow restrictions require that all fonts be Type1."));
    rules->push_back(fonts);
  }

  const bool oneBit = SettingIs("constrain_1bit_dpi", "true");
  const bool allBits = SettingIs("constrain_image_dpi", "true");
  if (oneBit || allBits) {
    RulePtr images(new KeyRule(KIND_IMAGE));
    if (oneBit) {
      RulePtr bitmaps(new KeyRule(KeyRule::NO_PRESENCE, "BitsPerComponent", "1", '|'));
      bitmaps->AddChild(RulePtr(new KeyRule(Check1BitImageDPI, std::string())));
      images->AddChild(bitmaps);
    }
    if (allBits) {
      RulePtr others(new KeyRule(KeyRule::NO_PRESENCE, "BitsPerComponent", "1", '|'));
      others->SetNegate(true);
      others->AddChild(RulePtr(new KeyRule(CheckImageDPI, std::string())));
      images->AddChild(others);
    }
    rules->push_back(images);
  }

  std::string spots;
  if (Prefs::Get("max_spots", spots) && !spots.empty()) {
    const char* start = spots.c_str();
    char* end = nullptr;
    long n = std::strtol(start, &end, 10);
    if (end != start) {
      if (n < 0) n = 0;
      if (n > kMaxSpotColors) n = kMaxSpotColors;
      maxSpotColors = static_cast<int>(n);
      spotColorNames.clear();
      spotColorError.reset();
      RulePtr spaces(new KeyRule(KIND_COLORSPACE));
      RulePtr families(new KeyRule(KeyRule::NO_PRESENCE, KeyRule::Range(0, 1), "DeviceN|Separation", '|'));
      families->AddChild(RulePtr(new KeyRule(CheckSpotColorCount, std::string())));
      spaces->AddChild(families);
      rules->push_back(spaces);
    }
  }
  return true;
}

}  // namespace Zentu
