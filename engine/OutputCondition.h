// Printing conditions: the reference conditions every standard knows and
// the ones the output-intent repairs write.
#pragma once
#include <map>
#include <string>

#include <boost/shared_ptr.hpp>

#include "engine/ProfileSettings.h"

struct OutputCondition {
  OutputCondition(const std::string& id, const boost::shared_ptr<OutputIntentRecord>& prof, int conditionKind,
                  bool isReference, const std::string& text, int colorFamily = 3)
      : identifier(id),
        profile(prof),
        kind(conditionKind),
        reference(isReference),
        description(text),
        family(colorFamily) {}

  std::string identifier;  // as registered, e.g. "CGATS TR 001"
  boost::shared_ptr<OutputIntentRecord> profile;  // the profile file is its `file`
  int kind;        // 2 CMYK printing conditions, 1 the RGB one
  bool reference;  // one of the built-in reference conditions
  std::string description;
  int family;  // 0 gray, 1 RGB, 2 CMYK, 3 not known (yet)
};

typedef std::map<std::string, boost::shared_ptr<OutputCondition>> OutputConditionMap;
