// A registry key of the current user that holds texts, as the preference
// stores read and write it, with the notes they give the user of a fault.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

namespace Zentu {

struct StoredTexts {
  std::map<std::string, std::string> texts;
  // Values that are not texts (or hold a zero byte): reported and left out;
  // the stores remove them at their next write.
  std::set<std::string> others;
};

enum class KeyRead { Missing, Unreadable, Partial, Whole };

// Reads the key's values. Partial: a failure after some values, which are
// in `out` all the same.
KeyRead ReadTextKey(const std::string& path, StoredTexts* out);

// One change to write: `text` set under `name`, or none to remove the value.
struct TextChange {
  const std::string* name;
  const std::string* text;
};

// Writes the changes into the key in one commit, applied to the key as it is
// stored then, so values others wrote meanwhile and not named here stay. A
// name or text holding a zero byte is left out with a note and put in
// `refused`. False, after a note, when nothing was written.
bool WriteTextChanges(const std::string& path, const std::vector<TextChange>& changes,
                      std::set<std::string>* refused);

}  // namespace Zentu
