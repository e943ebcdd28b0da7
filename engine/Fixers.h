// The engine's repairs. Each works on the record of its FixContext: the
// record's container node holds the object to repair, its object node that
// object's holder. FixIt answers 2 when fixed and anything else when not;
// marking the record fixed is the caller's.
#pragma once
#include <string>

#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/Fixer.h"
#include "host/astypes.h"

class ObjectNode;

namespace Zentu {

class PDFX_Error;

// Writes the Information dictionary entry the record's detail names. An
// entry it cannot write answers 4.
class InfoDictFixer : public Fixer {
 public:
  // `value`: the identification to write, or for /Trapped "" (ask for
  // /True or /False, /False without asking) or "True".
  explicit InfoDictFixer(const std::string& value = std::string());
  ~InfoDictFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
  const std::string& GetValue() const { return value_; }

 private:
  int FixIdentification(FixContext& context, bool interactive);
  int FixTrapped(PDFX_Error& error, bool interactive);
  int FixText(FixContext& context, const std::string& key, bool interactive);

  std::string value_;
};

// Only marks the document changed, so that saving writes what was missing
// (the file identifier).
class JustSaveFixer : public Fixer {
 public:
  ~JustSaveFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// Takes the operators the record names out of its content, with their
// operands; every other byte stays. The lists are the walker's, per record;
// a record without one is left alone (answer 1).
class OperatorRemovalFixer : public Fixer {
 public:
  ~OperatorRemovalFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// Replaces a stream by one compressed with `filter` and no DecodeParms.
class CompressionFixer : public Fixer {
 public:
  explicit CompressionFixer(const std::string& filter = "FlateDecode");
  ~CompressionFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
  const std::string& GetFilter() const { return filter_; }

 private:
  std::string filter_;
};

// Removes `key`, or with an empty key the key the record's detail names.
class KeyRemovalFixer : public Fixer {
 public:
  explicit KeyRemovalFixer(const std::string& key = std::string());
  ~KeyRemovalFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
  const std::string& GetKey() const { return key_; }

 private:
  std::string key_;
};

// Removes an image's /Alternates; the clean-up destroys the alternates
// nothing else uses.
class AlternateImagesRemovalFixer : public Fixer {
 public:
  ~AlternateImagesRemovalFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// Removes the soft masks and blending keys of every object of a page's
// transparency record: /SMask of images; /SMask, /CA, /ca, /BM and /AIS of
// graphics states. Any other kind cannot be changed (answer 1).
class TransparencyRemovalFixer : public Fixer {
 public:
  ~TransparencyRemovalFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// Removes the actions (/A, /AA, /OpenAction) from the object that holds
// them; the holder itself stays.
class ActionFixer : public Fixer {
 public:
  ~ActionFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// An annotation over the page's finished area: a note, popup or signature
// field is moved out of the area, any other is removed with its popups.
class ObscuringAnnotationFixer : public Fixer {
 public:
  ~ObscuringAnnotationFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
};

// Puts a copy of the page's box value (the MediaBox) under the key the
// record's detail names, /ArtBox when it names none.
class UseMediaBoxFixer : public Fixer {
 public:
  explicit UseMediaBoxFixer(const boost::shared_ptr<ObjectNode>& box);
  ~UseMediaBoxFixer() override;
  int FixIt(FixContext& context, bool interactive) override;
  const boost::shared_ptr<ObjectNode>& GetBox() const { return box_; }

 private:
  boost::shared_ptr<ObjectNode> box_;
};

// The one instance of each fixer that the checks attach, made when the
// module loads and kept until it unloads.
class GlobalFixers {
 public:
  static boost::shared_ptr<Fixer> InfoDict();
  static boost::shared_ptr<Fixer> JustSave();
  static boost::shared_ptr<Fixer> OperatorRemoval();
  static boost::shared_ptr<Fixer> Compression();
  static boost::shared_ptr<Fixer> KeyRemoval();
  static boost::shared_ptr<Fixer> AlternateImagesRemoval();
  static boost::shared_ptr<Fixer> TransparencyRemoval();
  static boost::shared_ptr<Fixer> ReplaceProfile();
  // At load: makes each instance that is missing (all of them after a
  // Release), so that a module loaded again has them.
  static void Make();
  // At unload: lets go of each instance once; afterwards all are empty. A
  // record that still holds one keeps it alive.
  static void Release();
};

}  // namespace Zentu

// Whether the value under `key` holds an action: /A and /OpenAction hold
// one themselves, /AA holds them by trigger. `isAction` tells an action.
bool HoldsAction(const char* key, const MyCosObj& value, bool (*isAction)(const MyCosObj&));
// The PD document of the walker that owns the record; null without one.
PDDoc GetErrorPDDoc(const Zentu::PDFX_Error* error);
// That document's Information dictionary; null when it has none.
MyCosObj GetErrorInfoDict(const Zentu::PDFX_Error* error);
// The dictionary of the document's page of that index; null when the host
// has no such page.
MyCosObj PageDictionary(PDDoc pd, ASInt32 pageIndex);
// The Resources in force for a page, as the walk reads them: its own, else
// the nearest ancestor's up the Parent chain. Null when none is a dictionary;
// `holder`, when given, receives the dictionary that holds them (null then).
MyCosObj InheritedResources(const MyCosObj& page, MyCosObj* holder = nullptr);
// The resources the check read the record's content with: a form's or
// tiling pattern's own; for a page's content the page's, inherited from its
// ancestors; for a Type 3 glyph its font's; else those of the record's page.
// Null when there are none.
MyCosObj ContentResources(const Zentu::PDFX_Error& error);
// "D:" and the local time as YYYYMMDDHHMMSS, then "z". A static buffer that
// the next call overwrites.
const char* FormatPDFDate();
// The default Title from a document's display path: its last part, without
// a ".pdf" extension in any case.
std::string TitleFromDisplayPath(const std::string& path);
