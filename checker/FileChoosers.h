// What the checker's file choosers share: the path value they hand back, the
// platform dialog's filter text and the host dialog's filter records, both
// read from one filter string ("Log files|log|TEXT": groups of a
// description, extensions joined by ";" and a type that neither form uses).
#pragma once
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "host/admtypes.h"

namespace Zentu {

// A host path and its text. Copies share the host path, which is released
// with the last of them. The two are set apart: SetPath leaves the text,
// SetTextFromPath leaves the host path.
class MyASPath {
 public:
  // Owns one host path.
  class Wrapper {
   public:
    Wrapper(ASFileSys fileSys, ASPathName path) : fileSys_(fileSys), path_(path) {}
    ~Wrapper();
    Wrapper(const Wrapper&) = delete;
    Wrapper& operator=(const Wrapper&) = delete;
    ASPathName Path() const { return path_; }

   private:
    ASFileSys fileSys_;
    ASPathName path_;
  };

  MyASPath() = default;
  // Takes over a path the host handed out.
  void Adopt(ASFileSys fileSys, ASPathName path);
  // An empty text leaves no host path; else a new one from the text read as
  // a device-independent path. A host failure throws Zentu::AcrobatException.
  void SetPath(const std::string& text);
  // The path's display text; the text stays when the host gives none.
  void SetTextFromPath(ASPathName path);
  void SetText(const std::string& text) { text_ = text; }

  const std::string& Text() const { return text_; }
  // None when there is no host path.
  ASPathName Path() const { return wrapper_ ? wrapper_->Path() : nullptr; }

 private:
  boost::shared_ptr<Wrapper> wrapper_;
  std::string text_;
};

// What a file chooser answers: nothing chosen has no path and no text.
struct FileChoice {
  bool chosen = false;
  MyASPath path;
};

// The groups of a filter string, three tokens each; empty tokens count.
// False when the count of tokens is not a multiple of three.
struct FilterGroup {
  std::string description;
  std::vector<std::string> extensions;  // without dots; none for an empty token
};
bool ParseFilter(const std::string& filter, std::vector<FilterGroup>& groups);

// The platform dialog's filter: for each group the description with its
// patterns in brackets, then the patterns ("*.log;*.txt"), then "All files"
// and "*.*" when offered; each text ends in a zero byte and an empty text
// ends the list. An incomplete last group is left out.
std::string PlatformFilterText(const std::string& filter, bool offerAllFiles);

// The host dialog's filter records of a well-formed filter string, with
// their descriptions as host text objects; all of it released with the
// object.
class HostFilterRecords {
 public:
  explicit HostFilterRecords(const std::vector<FilterGroup>& groups);
  ~HostFilterRecords();
  HostFilterRecords(const HostFilterRecords&) = delete;
  HostFilterRecords& operator=(const HostFilterRecords&) = delete;

  AVFileFilterRec** Records() { return pointers_.empty() ? nullptr : pointers_.data(); }
  ASUns16 Count() const { return static_cast<ASUns16>(pointers_.size()); }

 private:
  void Release();

  std::vector<AVFileFilterRec> records_;
  std::vector<AVFileFilterRec*> pointers_;
  std::vector<std::vector<AVFileDescRec>> descriptors_;
};

}  // namespace Zentu
