// Reference printing conditions and a standard's per-family choice of them.
#pragma once
#include <list>
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/ProfileSettings.h"

struct OutputCondition {
  OutputCondition(const std::string& id, const boost::shared_ptr<OutputIntentRecord>& prof, int conditionKind,
                  bool isReference, const std::string& text)
      : identifier(id), profile(prof), kind(conditionKind), reference(isReference), description(text) {}

  std::string identifier;  // as registered, e.g. "CGATS TR 001"
  boost::shared_ptr<OutputIntentRecord> profile;  // the profile file is its `file`
  int kind;        // 2 CMYK printing conditions, 1 the RGB one
  bool reference;  // one of the built-in reference conditions
  std::string description;
};

typedef std::map<std::string, boost::shared_ptr<OutputCondition>> OutputConditionMap;

// Per family (1 Gray, 2 RGB, 3 CMYK; 0 unused by the callers): the known
// conditions and the name of the one chosen (empty = none).
struct OutputConditionSet {
  static const int kFamilies = 4;

  OutputConditionMap conditions;
  std::list<boost::shared_ptr<OutputCondition>> families[kFamilies];
  std::string chosen[kFamilies];
};
