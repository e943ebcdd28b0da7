// One problem found by a check. Records are filed in the walker's error list
// and shared from then on; they keep the walker's counts per severity up to
// date when their severity or fixed state changes.
//
// The two nodes by role: the container node holds the object the problem
// lies in (the one a fixer repairs), the object node that object's holder.
#pragma once
#include <string>

#include <boost/enable_shared_from_this.hpp>
#include <boost/shared_ptr.hpp>

#include "common/MyCosObj.h"
#include "engine/FixContext.h"

class ObjectNode;
class PDFXPreflight;

namespace Zentu {

class Fixer;

// Always held by a shared pointer, so that whoever keeps a record without
// owning it can hold it weakly (weak_from_this).
class PDFX_Error : public boost::enable_shared_from_this<PDFX_Error> {
 public:
  // The two texts of a record. A check files thousands of records with the
  // same texts; its walker hands them all one copy.
  struct Texts {
    std::string message;
    std::string detail;
  };

  // From nodes the caller made; either may be empty.
  PDFX_Error(PDFXPreflight* owner, const std::string& message, const std::string& detail, int severity,
             int objectKind, int problemKind, const boost::shared_ptr<ObjectNode>& containerNode,
             const boost::shared_ptr<ObjectNode>& objectNode);
  // Makes a node of each wrapper: `holder` becomes the object node, `subject`
  // (the object the problem lies in) the container node.
  PDFX_Error(PDFXPreflight* owner, const MyCosObj& holder, const MyCosObj& subject, const std::string& message,
             const std::string& detail, int severity, int objectKind, int problemKind);
  virtual ~PDFX_Error();
  PDFX_Error(const PDFX_Error&) = delete;  // a copy would be counted nowhere
  PDFX_Error& operator=(const PDFX_Error&) = delete;

  // Back to "not filed": no owner, no severity, no page, not fixed. Counts
  // are left alone.
  virtual void Reset();

  int GetSeverity() const { return severity_; }
  // Moves the record between the owner's open counts; a fixed record or one
  // without owner only stores the new severity.
  void SetSeverity(int severity);
  bool IsFixed() const { return fixed_; }
  void SetFixed(bool fixed);
  // -1 when fixed, else the severity.
  int GetEffectiveSeverity() const { return fixed_ ? -1 : severity_; }

  int GetObjectKind() const { return objectKind_; }
  int GetProblemKind() const { return problemKind_; }
  const std::string& GetMessage() const { return texts_->message; }
  void SetMessage(const std::string& message);
  const std::string& GetDetail() const { return texts_->detail; }
  const boost::shared_ptr<ObjectNode>& GetObjectNode() const { return objectNode_; }
  const boost::shared_ptr<ObjectNode>& GetContainerNode() const { return containerNode_; }
  int GetPageIndex() const { return pageIndex_; }
  void SetPageIndex(int page) { pageIndex_ = page; }
  const boost::shared_ptr<Fixer>& GetFixer() const { return fixer_; }
  void SetFixer(const boost::shared_ptr<Fixer>& fixer) { fixer_ = fixer; }
  // Stores the fixer and tells it about this record (its AddError hook).
  void AttachFixer(const boost::shared_ptr<Fixer>& fixer);
  DeferredTest GetDeferredTest() const { return deferredTest_; }
  void SetDeferredTest(DeferredTest test) { deferredTest_ = test; }
  PDFXPreflight* GetOwner() const { return owner_; }

 private:
  friend class ::PDFXPreflight;
  void Start(PDFXPreflight* owner, int severity, int objectKind, int problemKind, const std::string& message,
             const std::string& detail);
  // The owner's copy of the two texts, or a copy of the record's own.
  static boost::shared_ptr<const Texts> Share(PDFXPreflight* owner, const std::string& message,
                                              const std::string& detail);

  // Never null once made.
  boost::shared_ptr<const Texts> texts_;
  boost::shared_ptr<ObjectNode> objectNode_;
  boost::shared_ptr<ObjectNode> containerNode_;
  boost::shared_ptr<Fixer> fixer_;
  DeferredTest deferredTest_ = nullptr;
  PDFXPreflight* owner_ = nullptr;  // the walker that counts this record; not owned
  int severity_ = -1;
  int objectKind_ = 0;
  int problemKind_ = 0;
  int pageIndex_ = -1;
  bool fixed_ = false;
};

}  // namespace Zentu
