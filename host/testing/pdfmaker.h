// Builds small PDF files for tests: objects 1..n from their bodies, with a
// correct cross-reference table, so a test states only what it is about.
#pragma once
#include <string>
#include <vector>

namespace hosttest {

struct PdfSpec {
  std::string version = "1.3";
  // Bodies of objects 1, 2, ...; "stream:DICT|DATA" makes a stream with the
  // given dictionary entries and data (its /Length is filled in).
  std::vector<std::string> objects;
  // Trailer entries besides /Size, e.g. "/Root 1 0 R /Info 2 0 R".
  std::string trailer = "/Root 1 0 R";
};

std::string MakePdf(const PdfSpec& spec);

// A document of `pages` pages: object 1 catalog, 2 pages, then each page
// followed by its contents stream; `content` is each page's content.
std::string MakePagesPdf(int pages, const std::string& content = "0 0 m 10 10 l S");

// A catalogue of `images` 16 x 16 gray images, ten a page, each drawn once
// at 150 ppi and named /Im0 to /Im9 in its page's resources; `shared`: all
// in one resources dictionary the pages share, each named on its own.
std::string MakeCataloguePdf(long images, bool shared = false);

// `data` deflated, for a /FlateDecode stream.
std::string Deflated(const std::string& data);

// A temporary folder removed with this object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// The path in single quotes, for a shell command.
std::string Quoted(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
// Runs a shell command, answers its exit status and (optionally) its output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace hosttest
