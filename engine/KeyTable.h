// The key table of a standard (which keys a dictionary of a given object
// kind must, may or must not have, of which type and with which values) and
// the process-wide table of keys that belong to later PDF versions.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/FixContext.h"

class PDFXPreflight;
namespace Zentu {
class Fixer;
}

// Key classes: 0 and 1 required (checked in the order 0, 3, 1), 2
// prohibited, 3 optional (only its value is checked).
enum KeyClass { KEY_REQUIRED = 0, KEY_REQUIRED_LATE = 1, KEY_PROHIBITED = 2, KEY_OPTIONAL = 3 };

// One entry as a rule builder gives it. The key may end in an index part:
// Name[i], Name[a-b] (b excluded), Name[a-], Name[-b], Name[all].
struct KeySpec {
  int objectKind;
  int keyClass;
  const char* key;
  const char* values;  // "|"-separated, or null
  int cosType;         // 0 = any
  int severity;
  const char* message;                      // or null
  boost::shared_ptr<Zentu::Fixer>* fixer;   // or null
  DeferredTest deferredTest;                // or null
};

// One entry as the standard keeps it.
struct KeyEntry {
  std::string key;
  std::vector<std::string> values;
  int cosType = 0;
  int severity = 0;
  std::string message;
  boost::shared_ptr<Zentu::Fixer> fixer;
  DeferredTest deferredTest = nullptr;
};

// (object kind, key class) -> key name -> entry; names in byte order.
typedef std::map<std::pair<int, int>, std::map<std::string, KeyEntry>> KeyTable;

// A key that a PDF version later than the standard's allows.
struct FeatureRow {
  double version;
  int objectKind;
  std::string key;
  int severity;
};
typedef std::vector<FeatureRow> FeatureTable;

// Files one key-table error with its message, fixer and deferred test.
// `key` is the entry's key as written; the detail is its name without index.
void AddKeyError(PDFXPreflight& walker, int objectKind, const MyCosObj& object, const MyCosObj& container,
                 int problemKind, const KeyEntry& entry);

// Whether a value matches one of the values: integers compared as decimal
// integers, reals exactly as decimal numbers, anything else by its text form
// without delimiters. An array matches when every element does, or with
// `anyElement` when one does.
bool ValueMatches(const MyCosObj& value, const std::vector<std::string>& values, bool anyElement = false);
// "A"; "A" or "B"; "A", "B", or "C".
std::string QuoteValueList(const std::vector<std::string>& values);
