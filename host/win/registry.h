// The registry stand-in: one text file per hive under the settings folder.
// Internal to the host; plug-ins reach it through the "Windows" table.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "host/astypes.h"

namespace host {
namespace reg {

struct Value {
  std::string name;
  ASUns32 type = 0;
  std::string data;  // the bytes as stored, terminating zero of a text included
};

struct Key {
  std::string className;
  std::vector<Value> values;  // in the order they were set

  Value* Find(const std::string& name);
  void Set(const std::string& name, ASUns32 type, const std::string& data);
};

// Key paths compare byte by byte; "/" is an ordinary character in them.
using Hive = std::map<std::string, Key>;

// $PLUGHOST_HOME, else ~/.config/plughost.
std::string SettingsFolder();
// The hive's file; empty for a hive we do not keep.
std::string HiveFile(ASInt32 hive);

// The file format. Parse answers false with the line and the reason.
std::string Serialize(const Hive& hive);
bool Parse(const std::string& text, Hive* hive, std::string* why);

// Reads the hive whole. A missing file is an empty hive; a damaged one is
// reported as a note and set aside, and the hive starts empty. Answers a
// system error code (0 on success).
ASInt32 ReadHive(ASInt32 hive, Hive* out);
// Makes sure the hive can be written to: its folder exists (0700) and the
// file is not damaged beyond setting aside.
ASInt32 CheckWritable(ASInt32 hive);
// Replaces one key of the hive, and only that key, in one atomic write of
// the whole file (temporary file, then rename).
ASInt32 WriteKey(ASInt32 hive, const std::string& path, const Key& key);

// The system's text for an error code.
const char* ErrorText(ASInt32 code);
ASInt32 FromErrno(int err);

// Test hook: the next hive write fails part way with `err` (an errno value).
void FailNextWrite(int err);

}  // namespace reg
}  // namespace host
