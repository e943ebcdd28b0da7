// The walker of one check: it chooses the standard, walks the document
// (trailer, Information dictionary, catalog with outlines and form fields,
// pages), keeps the error list with the set of severities present and the
// open and total counts per severity, and after fixing replaces or destroys
// the objects the fixers handed it. Always held through a shared pointer.
#pragma once
#include <bitset>
#include <list>
#include <map>
#include <set>
#include <tuple>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include <boost/shared_ptr.hpp>

#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "engine/PDFX_Error.h"
#include "engine/ResourceStack.h"

class ObjectNode;
namespace Zentu {
class Conformance;
class StatusInterface;
}  // namespace Zentu

// Called by the clean-up in place of destroying a recorded object itself.
typedef void (*ReferenceDestroyProc)(MyCosObj& object, ASInt32 clientData);

// One place that refers to a recorded object: a dictionary (or a stream's
// dictionary) and its key, or an array and its index.
struct ObjectReference {
  MyCosObj container;
  std::string key;    // empty in arrays
  ASInt32 index = -1;  // -1 in dictionaries
};

// An object to be replaced (or, without replacement, destroyed once nothing
// refers to it) when fixing is done.
struct ReplacementRecord {
  MyCosObj object;
  MyCosObj replacement;  // null when there is none
  // The numbers of the object and of its replacement, where one is recorded.
  ASInt32 number = -1, replacementNumber = -1;
  ReferenceDestroyProc destroy = nullptr;
  ASInt32 clientData = 0;
  bool stillReferenced = false;
  std::list<ObjectReference> references;
};

class PDFXPreflight {
 public:
  typedef std::list<boost::shared_ptr<Zentu::PDFX_Error>> ErrorList;
  typedef std::bitset<10> SeveritySet;
  typedef std::map<ASInt32, boost::shared_ptr<ObjectNode>> NodeMap;
  typedef std::list<ReplacementRecord> ReplacementList;

  // A walker that only files records: no standard, no user interface.
  PDFXPreflight();
  ~PDFXPreflight();
  // Chooses the standard from the "conformance" setting; when none can be
  // made, files a record instead of throwing. `ui` is not owned.
  explicit PDFXPreflight(Zentu::StatusInterface* ui);
  PDFXPreflight(const PDFXPreflight&) = delete;
  PDFXPreflight& operator=(const PDFXPreflight&) = delete;

  // --- the check
  // The view document must be set first. Answers the severities present;
  // bit 1 when the user cancelled. A broken page tree or a host failure
  // throws (std::runtime_error, Zentu::AcrobatException); records stay.
  SeveritySet Check();
  void CheckInfoDict();
  // The catalog, its outlines and its form fields.
  void CheckCatalog();
  void CheckOutlines(const MyCosObj& catalog, const char* key);
  void CheckFormFields(const MyCosObj& catalog, const char* key);
  // Every page, in page-tree order, with progress and cancel.
  void CheckPages();

  // The trailer step; see PDFXPreflightTrailer.cpp. Throws a text
  // (std::runtime_error) when the file's tail cannot be read as a table and
  // the host did not repair the file.
  void ReadTrailerFromFile();
  // Writes the file that parses `trailerText` (extended: with stand-ins for
  // the document's dictionaries) to `path` and opens it; an invalid document
  // when the file cannot be written, Zentu::AcrobatException when it does
  // not open. The caller closes the document.
  MyCosDoc CreateTrailerTempFile(ASPathName path, const std::string& trailerText, bool extended);
  // The check of one object now, and the check of the objects met on a
  // page; see PDFXPreflightVisit.cpp.
  bool CheckObjectByKind(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer,
                         bool flag);
  void DrainPendingObjects(const boost::shared_ptr<ObjectNode>& page);

  // --- the object visit; see PDFXPreflightVisit.cpp
  // Visits the resource of that name (as content writes it, "/F1") through
  // the current resources; false when no level defines it. `found`, when
  // given, receives its node.
  bool CheckObject(const char* name, const boost::shared_ptr<ObjectNode>& referrer,
                   boost::shared_ptr<ObjectNode>* found = nullptr);
  bool CheckObject(const std::string& name, const boost::shared_ptr<ObjectNode>& referrer,
                   boost::shared_ptr<ObjectNode>* found = nullptr);
  // A direct object is checked now; an indirect one once per check, when the
  // page walk drains the pending map. Every referrer is noted in its node.
  bool VisitObject(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckXObject(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer,
                    bool flag);
  // The content of a page, form, glyph or tiling pattern: one stream or an
  // array of them, read as one, then the summary of the operators put aside.
  void CheckFormContent(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  // Reads one stream of `content` token by token; `offset` runs on over the
  // streams of one content. `holder` is the content's referrer.
  void CheckContentStream(ASStm stm, const boost::shared_ptr<ObjectNode>& streamNode,
                          const boost::shared_ptr<ObjectNode>& content, const boost::shared_ptr<ObjectNode>& holder,
                          long long& offset);
  // The page's content, thumbnail and boxes; its resource level is pushed.
  void CheckPage(const boost::shared_ptr<ObjectNode>& page, const boost::shared_ptr<ObjectNode>& referrer);
  // Operator names the standard put aside in the content being read.
  std::list<std::string>& GetOperatorNames() { return operatorNames_; }
  // Whether `op` is met in `content` for the first time on the page being
  // checked: a standard keeps one record of each operator a content uses,
  // however often it stands there (its repair takes every one out), so
  // that what a content costs does not grow with its operators.
  bool FirstUseOfOperator(const boost::shared_ptr<ObjectNode>& content, const char* op);
  // The last name operand read from any content stream.
  static const std::string& GetLastName();
  // The operators a record's repair takes out of its content: those the
  // record names and no others (an operator filed as an error no fix
  // repairs stays where a summary beside it is repaired). For this check
  // only; each name once, in the order given.
  void AddOperatorsToRemove(const Zentu::PDFX_Error& record, const std::list<std::string>& names);
  // The record's list, or null when there is none or it was applied.
  const std::list<std::string>* FindOperatorsToRemove(const Zentu::PDFX_Error& record) const;
  // The record's list was applied.
  void MarkOperatorsRemoved(const Zentu::PDFX_Error& record);
  bool OperatorsRemoved(const Zentu::PDFX_Error& record) const;

  // --- the walkers by kind; see PDFXPreflightKinds.cpp
  void CheckColorSpace(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer,
                       bool flag);
  void CheckImage(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer, bool flag);
  void CheckInlineImageColorSpace(const MyCosObj& dict, boost::shared_ptr<ObjectNode> container);
  void CheckFont(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckFontDescriptor(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckExtGState(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckPattern(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckShading(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckFunction(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  // `skip`: do not follow the stream's /F as an external file.
  void CheckStream(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer, bool skip);
  void CheckOPI(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  void CheckFileSpec(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  // Features of PDF versions after the standard's that the standards'
  // rules were written before; each gets one record per check, where it is
  // first met.
  enum LaterFeature { SIXTEEN_BIT_IMAGES, OPTIONAL_CONTENT, OPENTYPE_FONTS, USER_UNITS, LATER_FEATURE_COUNT };
  void ReportLaterFeature(LaterFeature feature, const MyCosObj& holder, const MyCosObj& subject, int objectKind,
                          const char* detail);
  // Those the object of `node` holds: the catalog's optional content, an
  // XObject's, 16-bit images (inline ones: their content is the referrer),
  // OpenType programs of a font descriptor, a page's user unit.
  void CheckLaterFeatures(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  // A graphics state's halftone and, for type 5, its components.
  void CheckHalftone(const boost::shared_ptr<ObjectNode>& node, const boost::shared_ptr<ObjectNode>& referrer);
  // Where a nested colour-space or halftone walk is: the indirect objects the
  // outermost walk went through (those on the way down among them) and the
  // depth, so that an object referring back to itself ends the walk.
  struct WalkTrail {
    std::set<ASInt32> walked;
    int depth = 0;
  };

  // Runs each distinct deferred test of the error list, pass after pass,
  // until none changes anything. `again` comes back true when a test asked
  // for the tests to be collected anew.
  void RunDeferredTests(const boost::shared_ptr<PDFXPreflight>& self, Zentu::StatusInterface* ui, bool& again);

  // --- replacements after fixing
  // Notes `object` to be replaced by `replacement` (or destroyed). Nothing
  // for a direct object. An object already noted keeps its first record;
  // the answer then says whether the new one would have been the same.
  bool RecordReference(const MyCosObj& object, const MyCosObj& replacement, ReferenceDestroyProc destroy,
                       ASInt32 clientData);
  // Notes every indirect object that `value` refers to, without
  // replacement, so that the clean-up destroys those no longer used.
  bool CollectReferences(const MyCosObj& value, ReferenceDestroyProc destroy, ASInt32 clientData);
  // Puts replacements in place and destroys what nothing refers to any more.
  // The trailer counts as a container; the catalog is never destroyed.
  bool Cleanup();
  const ReplacementList& GetReplacements() const { return replacements_; }
  // The newest form of an object the fixes replaced: the replacement
  // recorded for it, or the one the clean-up put in its place, followed on;
  // the object itself when it was not replaced. A second repair of the same
  // stream reads what the first one made.
  MyCosObj LatestVersion(const MyCosObj& object) const;
  // `made` replaces `source`, which LatestVersion gave: a replacement still
  // to be put in place gives way to `made` (and is destroyed, nothing refers
  // to it), else `source` is recorded to be replaced by `made`.
  void Supersede(const MyCosObj& source, const MyCosObj& made, ReferenceDestroyProc destroy, ASInt32 clientData);
  // After fixing: a record whose objects the fixes took out of the document
  // (no longer reached as a check reaches them, yet not destroyed, which a
  // replacement may have been) is set fixed; a check of the saved file
  // would not find it.
  void SetFixedWhereRemoved();

  // --- records
  // Builds a record from the two wrappers (`holder` becomes the object node,
  // `subject`, the object the problem lies in, the container node) and files it.
  boost::shared_ptr<Zentu::PDFX_Error> AddError(const MyCosObj& holder, const MyCosObj& subject,
                                                const std::string& message, const std::string& detail,
                                                int severity, int objectKind, int problemKind);
  // The same from nodes the caller made; either may be empty.
  boost::shared_ptr<Zentu::PDFX_Error> AddNodeError(const std::string& message, const std::string& detail,
                                                    int severity, int objectKind, int problemKind,
                                                    const boost::shared_ptr<ObjectNode>& objectNode,
                                                    const boost::shared_ptr<ObjectNode>& containerNode);
  // Files an existing record under `severity` (its own): appended, given the
  // current page unless it has one, owned by this walker, counted (open too
  // when it had no owner and is not fixed). A
  // severity of -1 or less is counted nowhere; 10 or more throws
  // std::out_of_range after the record was appended.
  boost::shared_ptr<Zentu::PDFX_Error> InsertError(const boost::shared_ptr<Zentu::PDFX_Error>& error,
                                                   int severity);

  // The walker's one copy of these two texts, for its records.
  boost::shared_ptr<const Zentu::PDFX_Error::Texts> ShareTexts(const std::string& message, const std::string& detail);
  // A node of `object` for a record. While Check() walks the document, the
  // records that name one dictionary or array share one node (the walk
  // changes no object); a stream, whose node a profile fixer refills, and
  // any object outside the walk get a node of their own.
  boost::shared_ptr<ObjectNode> RecordNode(const MyCosObj& object);

  const ErrorList& GetErrorList() const { return errors_; }
  const SeveritySet& GetSeverities() const { return severities_; }
  // Per severity 0..9: records not fixed, and records ever filed.
  const std::vector<int>& GetOpenCounts() const { return openCounts_; }
  const std::vector<int>& GetTotalCounts() const { return totalCounts_; }

  int GetCurrentPage() const { return currentPage_; }
  void SetCurrentPage(int page) { currentPage_ = page; }

  // --- the walk's state, for the checks, fixers and the object visit
  boost::shared_ptr<Zentu::Conformance> GetConformance() const { return standard_; }
  Zentu::StatusInterface* GetStatusInterface() const { return ui_; }
  void SetViewDocument(AVDoc doc) { viewDoc_ = doc; }
  AVDoc GetViewDocument() const { return viewDoc_; }
  PDDoc GetPDDoc() const { return pdDoc_; }
  const MyCosDoc& GetDocument() const { return document_; }
  const MyCosDoc& GetMainDocument() const { return mainDoc_; }
  // The number of the page being walked, from 0; -1 before the first.
  int GetPageCounter() const { return pageCounter_; }
  ResourceStack& GetResourceStack() { return resourceStack_; }
  NodeMap& GetPendingMap() { return pending_; }
  NodeMap& GetVisitedMap() { return visited_; }
  bool IsVisited(ASInt32 objectNumber) const { return visited_.count(objectNumber) != 0; }
  // Enters an indirect node in the visited map unless its number is there.
  void MarkVisited(const boost::shared_ptr<ObjectNode>& node);
  // The same with a new node of `objectKind` for an indirect object.
  void EnterVisited(const MyCosObj& object, int objectKind);
  // The user cancelled: severity 1 is present.
  bool IsCancelled() const { return severities_.test(1); }
  void SetCancelled() { severities_.set(1); }
  // Shows progress through the user interface; true when the user
  // cancelled (then severity 1 is set). Without a user interface it goes on.
  bool ReportProgress(const std::string& text, long value, long max);

 private:
  friend class Zentu::PDFX_Error;  // keeps the open counts

  struct PageTreeLevel;
  // One record for all the loops and broken links met in one walk.
  struct LinkFault {
    const char* message;
    bool filed;
  };
  void ReportLinkFault(LinkFault& fault, const MyCosObj& object, int objectKind);
  // Enters a page-tree node met going down; false when the user cancelled.
  bool EnterTreeNode(const MyCosObj& node, std::vector<PageTreeLevel>& levels, std::set<ASInt32>& seen,
                     LinkFault& fault, ASInt32 pageCount);
  void LeaveTreeNode(std::vector<PageTreeLevel>& levels);
  void MarkResourcesVisited(const MyCosObj& node);
  std::string PageProgressText(ASInt32 pageCount) const;
  typedef std::multimap<ASInt32, ReplacementRecord*> RecordIndex;
  // Notes in the records every reference that `container` and the direct
  // objects inside it hold to a recorded object; true when a record now
  // holds a container met.
  bool ScanReferences(const MyCosObj& container, const RecordIndex& byNumber);
  // The trailer's Encrypt entry as the temporary file read it; `number` is
  // its object number, -1 for a direct dictionary.
  void CheckTrailerEncrypt(const MyCosObj& encrypt, ASInt32 number);
  // The record of a trailer that hides objects in streams; saving repairs it.
  void AddXrefStreamError();
  // A tail that cannot be read in a file the host opened by repair: the
  // repaired trailer is checked, with one record that saving repairs.
  void CheckRepairedTrailer();

  ErrorList errors_;
  // Orders shared texts by content, and finds them by a pair of references.
  struct TextsOrder {
    using is_transparent = void;
    typedef std::pair<const std::string&, const std::string&> Key;
    static Key Of(const Key& key) { return key; }
    static Key Of(const boost::shared_ptr<const Zentu::PDFX_Error::Texts>& texts) {
      return Key(texts->message, texts->detail);
    }
    template <class A, class B>
    bool operator()(const A& a, const B& b) const {
      return Of(a) < Of(b);
    }
  };
  std::set<boost::shared_ptr<const Zentu::PDFX_Error::Texts>, TextsOrder> texts_;
  bool sharingNodes_ = false;
  std::unordered_multimap<uint64_t, boost::shared_ptr<ObjectNode>> recordNodes_;  // by identity, while sharing
  SeveritySet severities_;
  std::bitset<LATER_FEATURE_COUNT> laterFeatures_;
  int currentPage_ = -1;
  std::vector<int> openCounts_;
  std::vector<int> totalCounts_;
  MyCosDoc document_;
  AVDoc viewDoc_ = nullptr;
  PDDoc pdDoc_ = nullptr;
  MyCosDoc mainDoc_;
  NodeMap pending_;
  NodeMap visited_;
  int pageCounter_ = -1;
  Zentu::StatusInterface* ui_ = nullptr;  // not owned
  boost::shared_ptr<Zentu::Conformance> standard_;
  ReplacementList replacements_;
  ResourceStack resourceStack_;
  std::list<std::string> operatorNames_;
  std::map<const Zentu::PDFX_Error*, std::list<std::string>> operatorsToRemove_;
  std::set<const Zentu::PDFX_Error*> operatorsRemoved_;
  // Objects the clean-up replaced, by number, and what took their place;
  // those whose replacement waits for it, and the other way round.
  std::map<ASInt32, MyCosObj> successors_;
  std::unordered_map<ASInt32, MyCosObj> pendingReplacements_;
  std::unordered_map<ASInt32, ASInt32> replacedBy_;
  std::set<std::tuple<int, std::pair<ASUns32, ASUns32>, std::string>> operatorsUsed_;
  WalkTrail colorSpaceTrail_;
  WalkTrail halftoneTrail_;
  // Type 3 fonts whose glyphs are being read, by identity: a glyph that
  // names its own (direct) font does not read them again.
  std::set<std::pair<ASUns32, ASUns32>> type3Glyphs_;
};
