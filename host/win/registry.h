// The registry stand-in: one text file per hive under the settings folder.
// Internal to the host; plug-ins reach it through the "Windows" table.
#pragma once
#include <deque>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/astypes.h"

namespace host {
namespace reg {

struct Value {
  std::string name;
  ASUns32 type = 0;
  std::string data;  // the bytes as stored, terminating zero of a text included
};

// The values of a key in the order they were set, indexed by name so that
// reading and writing a key are linear in its number of values.
class Key {
 public:
  std::string className;

  const std::deque<Value>& values() const { return values_; }
  const Value* Find(const std::string& name) const;
  // Replaces the value of that name, or adds it at the end; false when the
  // key held it as it is already.
  bool Set(const std::string& name, ASUns32 type, const std::string& data);
  // Adds a value; false when the key already has one of that name.
  bool Add(Value value);
  // Removes the values of those names, in one pass; false when it has none.
  bool Remove(const std::set<std::string>& names);

 private:
  std::deque<Value> values_;  // in pieces: a large key needs no single large block
  std::unordered_map<std::string, size_t> index_;
};

// Key paths compare byte by byte; "/" is an ordinary character in them.
using Hive = std::map<std::string, Key>;

// What one writer changes in a key: values set and values removed, by name,
// the last change of a name counting. Applied to the key as stored when it
// is written, so values the writer did not touch stay as others left them.
class KeyChanges {
 public:
  std::string className;  // of the key, when the changes make it

  void Set(const std::string& name, ASUns32 type, const std::string& data);
  void Remove(const std::string& name);
  // Changes `key` in place; false when it stays as it was.
  bool ApplyTo(Key* key) const;

 private:
  Key set_;
  std::set<std::string> removed_;
};

// $PLUGHOST_HOME, else ~/.config/plughost.
std::string SettingsFolder();
// The hive's file; empty for a hive we do not keep.
std::string HiveFile(ASInt32 hive);

// The file format. Parse answers false with the line and the reason.
std::string Serialize(const Hive& hive);
bool Parse(const std::string& text, Hive* hive, std::string* why);

// Reads the hive whole, under the folder's lock when it can be taken (the
// whole-file write keeps a reader safe without it). A missing file is an
// empty hive; a damaged one is reported as a note and set aside, and the hive
// starts empty. Answers a system error code (0 on success).
ASInt32 ReadHive(ASInt32 hive, Hive* out);
// Makes sure the hive can be written to: its folder exists (0700), its lock
// can be taken and the file is not damaged beyond setting aside.
ASInt32 CheckWritable(ASInt32 hive);
// Replaces one key of the hive, and only that key, in one atomic write of
// the whole file (temporary file, then rename), under the folder's lock:
// without the lock nothing is written and the answer is fileErrSettingsLock.
// A key that is stored as it is given writes nothing.
ASInt32 WriteKey(ASInt32 hive, const std::string& path, const Key& key);
// Applies the changes to the key as the hive holds it, read again under the
// folder's lock, in one atomic write; a change that leaves the key as it is
// writes nothing. Fails as WriteKey does.
ASInt32 UpdateKey(ASInt32 hive, const std::string& path, const KeyChanges& changes);

// The outcome of the last write of a key through the "Windows" table in this
// process: 0 when it was written (or none was begun), else why it was not;
// a write begun and never committed counts as not written.
ASInt32 LastWriteStatus(ASInt32 hive, const std::string& path);
void NoteWriteStatus(ASInt32 hive, const std::string& path, ASInt32 status);

// The system's text for an error code; codes of ours (bit 29, which the
// system leaves to applications) are the host's error codes.
const char* ErrorText(ASInt32 code);
// The same, but for the code the last failed read or write of the settings
// was answered as: what failed, as one line says it wherever the settings
// cannot be kept ("the settings folder DIR cannot be written: DIR/registry:
// Permission denied").
std::string SystemErrorText(ASInt32 code);
ASInt32 FromErrno(int err);

// Test hook: the next hive write fails part way with `err` (an errno value).
void FailNextWrite(int err);

// The settings folder `copy` is a throwaway copy of `real`, made for one run
// and removed at its end: while it is the settings folder its hives are read
// once and then changed in this process only, never written or synced. A
// damaged hive in it is the real folder's: that one is set aside and named.
void UseThrowawayCopy(const std::string& copy, const std::string& real);
// Notes of damaged files told before anything could show them (no driver
// yet), shown now, or taken to be printed otherwise.
void ShowHeldNotes();
std::vector<std::string> TakeHeldNotes();

}  // namespace reg
}  // namespace host
