// The preference store: sections of text keys and text values, each section
// kept as one registry key of the current user. One store per plug-in module;
// everything is static. Keys and section names compare byte by byte.
#pragma once
#include <map>
#include <string>

class Prefs {
 public:
  typedef std::map<std::string, std::string> SectionMap;

  // None (null) is the plug-in's own section; a named one is made empty on
  // first use.
  static SectionMap& Section(const char* name = nullptr);
  // False, and `value` untouched, when the key is absent.
  static bool Get(const std::string& key, std::string& value, const char* section = nullptr);
  // False and nothing stored for an empty key. Memory only until Save.
  static bool Set(const std::string& key, const std::string& value, const char* section = nullptr);
  // Removes every key that begins with `prefix` (same case); false when
  // none does or the prefix is empty. Memory only until Save.
  static bool RemoveByPrefix(const std::string& prefix, const char* section = nullptr);
  // Merges the section's registry key into the section; false when the key
  // could not be opened or read to its end. A value that is not a text, or
  // holds a zero byte, is skipped with a note (and removed by the next Save).
  static bool Load(const char* section = nullptr);
  // Writes into the section's registry key what the section changed since
  // the key was last loaded or saved (values set, changed or removed), into
  // the key as stored at that moment: values other processes stored
  // meanwhile and this one did not change stay. False (after a note to the
  // user) when that failed, and the stored key is then as it was. A key or
  // value holding a zero byte is left out with a note, the others are saved,
  // and the answer is false.
  static bool Save(const char* section = nullptr);

  // The registry key of a section: "Software\Zentu\" + name + "\Current_Version",
  // or the plug-in's own key for none.
  static std::string KeyText(const char* section);
  // The plug-in's own key; each plug-in sets it at start-up.
  static void SetDefaultKey(const std::string& key);
  static const std::string& DefaultKey();
};

// 0 when the texts are equal without regard to case, else -1 or 1 by the
// first differing bytes as they stand. Meant for equality tests.
int CaselessCompare(const char* a, const char* b);
// A malloc'd copy (free it with free), or null.
char* StrDup(const char* text);
// Creates a new, empty temporary file (mode 0600) named with `prefix` in the
// system's temporary folder and answers its name; empty when none could be
// made. `folder` was a fallback of the platform this came from and is not
// used: the temporary folder is always the system's. The caller removes it.
std::string TempFileName(const char* folder, const char* prefix);
// The folder of this plug-in's own file, without a trailing separator.
std::string GetModulePath();
