// Reports of a check written to a file the user chooses. Report knows the
// document's file, chooses and opens the output and writes text to it;
// TextReport writes the header, the document's path and the results table.
#pragma once
#include <fstream>
#include <string>

#include <boost/shared_ptr.hpp>

#include "host/astypes.h"

namespace Zentu {

class Results;
class UIInterface;

// The file of a PD document: its file system and its path, device
// independent ("/" between parts) and the platform's. A host failure
// throws Zentu::AcrobatException naming `where`.
struct DocumentFile {
  ASFileSys fileSys = nullptr;
  std::string devicePath, platformPath;
};
DocumentFile ReadDocumentFile(PDDoc doc, const char* where);

class Report {
 public:
  // Reads the document's file paths; a host failure throws
  // Zentu::AcrobatException.
  explicit Report(PDDoc doc);
  // Closes the file.
  virtual ~Report();
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;

  virtual void SetFileName(const std::string& name) { fileName_ = name; }
  // Offers the document's name with ".log" in the document's folder; null
  // asks the current user interface. False when nothing was chosen, and the
  // file name stays.
  virtual bool ChooseFileName(UIInterface* ui);
  virtual void Output(const std::string& text) = 0;
  virtual bool Generate(const boost::shared_ptr<Results>& results) = 0;
  virtual std::string GetFileName() const { return fileName_; }
  // Opens the file name, else the document's path with ".log", for
  // writing afresh; true when open. What is written goes to a temporary
  // file beside it, which Close renames over the file once whole, so that a
  // report cut short (a full disk) leaves the file as it was.
  virtual bool Open();
  // True while the stream is good.
  virtual bool Write(const std::string& text);
  virtual bool WriteRaw(const char* text);
  virtual bool Close();

  const std::string& DocumentPath() const { return documentPath_; }

 protected:
  // Closes the stream and removes its temporary file: nothing is written.
  void Discard();

  PDDoc doc_;
  std::string documentPath_;  // the platform's path of the document's file
  std::string devicePath_;    // the same, device-independent ("/" between parts)
  std::string fileName_;
  std::string target_;  // the file fileName_ names, through its links
  std::string temp_;    // what the stream writes until Close renames it
  std::ofstream stream_;
};

class TextReport : public Report {
 public:
  explicit TextReport(PDDoc doc) : Report(doc) {}
  ~TextReport() override = default;

  void Output(const std::string& text) override { Write(text); }
  // The header line, an empty line and the document's path; then " is a
  // valid PDF/X file." when the check filed nothing, else an empty line and
  // the table, tab-separated, fixed records too. False when the file could
  // not be opened; write errors are not looked at.
  bool Generate(const boost::shared_ptr<Results>& results) override;
};

}  // namespace Zentu
