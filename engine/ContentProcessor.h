// Removes chosen operators, with their operands, from the content of one
// page, form, pattern or glyph: every stream is scanned for the byte ranges
// to drop, then each stream with ranges is written anew and takes the old
// one's place.
#pragma once
#include <list>
#include <string>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/PDFXPreflight.h"

class ContentProcessor {
 public:
  // A position in the decoded data of one stream of the content. Positions
  // come in pairs, start then end, in stream and offset order.
  struct Position {
    ASInt32 stream;
    long long offset;
  };

  // `contents`: one content stream or an array of them; `resources`: those
  // in force for it, null when there are none (only inline images need
  // them). Throws std::runtime_error "No Contents stream." for no contents.
  ContentProcessor(const boost::shared_ptr<PDFXPreflight>& walker, const MyCosObj& contents,
                   const MyCosObj& resources);
  ~ContentProcessor();
  ContentProcessor(const ContentProcessor&) = delete;
  ContentProcessor& operator=(const ContentProcessor&) = delete;

  // Collect, then Rewrite. True.
  bool Run(const std::list<std::string>& names);
  // Marks every listed operator with its operands and the white space and
  // comments before them. An inline image is read as part of its BI.
  void Collect(const std::list<std::string>& names);
  // Writes each stream with marks anew without the marked bytes.
  void Rewrite();
  const std::vector<Position>& GetMarks() const { return marks_; }

  // After the clean-up put a new stream in the old one's place: destroys
  // the old one and tells the pages in view that their contents changed.
  static bool OnStreamReplaced(MyCosObj& old);

 private:
  // Stream `index` of the content as it now is: a stream an earlier
  // repair wrote anew is read in its new form.
  MyCosObj Source(ASInt32 index) const;
  void Mark(ASInt32 stream, long long start, long long end);
  void CollectStream(ASInt32 index, const MyCosObj& stream, const std::list<std::string>& names);
  void RewriteStream(ASInt32 index, const std::string& kept);
  static void Completion(MyCosObj& old, ASInt32 clientData);

  MyCosObj contents_;
  MyCosObj resources_;
  boost::shared_ptr<PDFXPreflight> walker_;
  std::vector<Position> marks_;
  ReferenceDestroyProc completion_;
};
