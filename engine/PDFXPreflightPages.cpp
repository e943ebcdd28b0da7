// The catalog with its outlines and form fields, and the page tree. Each
// walk keeps its own stack instead of climbing back through /Parent, and
// skips an object it has met before, so that a loop or a wrong /Parent can
// neither hang the check nor hide pages; such a tree gets one record.
#include <set>
#include <sstream>
#include <stdexcept>
#include <utility>
#include <vector>

#include <boost/make_shared.hpp>

#include "common/CosValueText.h"
#include "engine/CheckCallbacks.h"
#include "engine/Conformance.h"
#include "engine/ErrorNames.h"
#include "engine/ObjectNode.h"
#include "engine/PDFXPreflight.h"
#include "host/frame.h"

namespace {

typedef boost::shared_ptr<ObjectNode> NodePtr;

bool Valid(const MyCosObj& obj) { return !obj.IsNull(); }

bool IsDict(const MyCosObj& obj) { return obj.CachedType() == CosDict; }

NodePtr NodeOf(const MyCosObj& obj, int kind) { return boost::make_shared<ObjectNode>(obj, kind, std::string()); }

// An object met before in this walk; records it otherwise. Direct objects
// cannot close a loop and are never repeats.
bool Repeated(const MyCosObj& obj, std::set<ASInt32>& seen) {
  if (!obj.IsIndirect()) return false;
  return !seen.insert(obj.GetID()).second;
}

// How many entries a Kids or Fields value holds: a single dictionary counts
// as one; -1 for a value that is neither.
ASInt32 EntryCount(const MyCosObj& value) {
  if (!Valid(value)) return 0;
  if (value.CachedType() == CosArray) return value.Length();
  if (IsDict(value)) return 1;
  return -1;
}

// A /Type in text form, without the "/" of a name: only a name can read
// "Page" or "Pages".
std::string TypeText(const MyCosObj& type) {
  if (!Valid(type)) return std::string();
  std::string text = CosValueText::FromObject(type, 0, 0).Text();
  if (type.CachedType() == CosName && !text.empty() && text[0] == '/') text.erase(0, 1);
  return text;
}

// The outline root's Count: absent, not a number or 0 all mean no items.
bool HasItems(const MyCosObj& count) {
  if (count.CachedType() == CosInteger) return static_cast<long>(count) != 0;
  if (count.CachedType() == CosFixed) return static_cast<double>(count) != 0.0;
  return false;
}

const char kPagesLoop[] = "Loop or broken link in the page tree";
const char kOutlinesLoop[] = "Loop or broken link in the outlines";
const char kFieldsLoop[] = "Loop or broken link in the form fields";

}  // namespace

// A Pages node whose kids are being walked.
struct PDFXPreflight::PageTreeLevel {
  MyCosObj node;
  MyCosObj kids;
  ASInt32 count;
  ASInt32 next;  // index of the next kid to walk
};

void PDFXPreflight::ReportLinkFault(LinkFault& fault, const MyCosObj& object, int objectKind) {
  if (fault.filed) return;
  fault.filed = true;
  AddNodeError(fault.message, std::string(), PROBLEM, objectKind, PROBLEM_GENERAL, NodeOf(object, objectKind),
               NodePtr());
}

void PDFXPreflight::CheckCatalog() {
  MyCosObj catalog = document_.GetRoot();
  standard_->CheckCosObj(*this, KIND_CATALOG, catalog);
  CheckLaterFeatures(NodeOf(catalog, KIND_CATALOG), NodePtr());
  CheckOutlines(catalog, "Outlines");
  if (IsCancelled()) return;
  CheckFormFields(catalog, "AcroForm");
  // Checked here once and for all: the object visit must not meet it again.
  EnterVisited(catalog, KIND_CATALOG);
}

void PDFXPreflight::CheckOutlines(const MyCosObj& catalog, const char* key) {
  MyCosObj outlines = catalog.Get(key);
  if (!Valid(outlines)) return;
  if (!HasItems(outlines.Get("Count"))) {
    EnterVisited(outlines, KIND_OUTLINE);
    return;
  }

  LinkFault fault = {kOutlinesLoop, false};
  std::set<ASInt32> seen;
  // Items whose kids are being walked, each with the referrer it was
  // checked with; the root is at the bottom.
  std::vector<std::pair<MyCosObj, NodePtr>> open;
  NodePtr referrer = NodeOf(catalog, KIND_CATALOG);
  MyCosObj item = outlines;
  for (;;) {
    bool usable = IsDict(item) && !item.Equal(catalog) && !Repeated(item, seen);
    if (usable) {
      NodePtr node = NodeOf(item, KIND_OUTLINE);
      CheckObjectByKind(node, referrer, true);
      if (IsCancelled()) return;
      MyCosObj first = item.Get("First");
      if (Valid(first)) {
        open.push_back(std::make_pair(item, referrer));
        referrer = node;
        item = first;
        continue;
      }
    } else {
      ReportLinkFault(fault, item, KIND_OUTLINE);
    }
    // On to the next sibling, climbing our own stack when a chain ends; the
    // root has no siblings.
    for (;;) {
      if (open.empty()) return;
      MyCosObj next = usable ? item.Get("Next") : MyCosObj();
      if (Valid(next)) {
        item = next;
        break;
      }
      item = open.back().first;
      referrer = open.back().second;
      open.pop_back();
      usable = true;
    }
  }
}

void PDFXPreflight::CheckFormFields(const MyCosObj& catalog, const char* key) {
  MyCosObj form = catalog.Get(key);
  if (!Valid(form)) return;
  MyCosObj fields = form.Get("Fields");
  if (!Valid(fields)) return;

  struct Level {
    MyCosObj array;
    ASInt32 count;
    ASInt32 next;
    NodePtr referrer;  // the field whose kids these are; the catalog at the top
  };
  LinkFault fault = {kFieldsLoop, false};
  std::set<ASInt32> seen;
  std::vector<Level> levels;
  ASInt32 count = EntryCount(fields);
  if (count < 0) {
    ReportLinkFault(fault, fields, KIND_FORM_FIELD);
    return;
  }
  levels.push_back(Level{fields, count, 0, NodeOf(catalog, KIND_CATALOG)});
  while (!levels.empty()) {
    Level& top = levels.back();
    if (top.next >= top.count) {
      levels.pop_back();
      continue;
    }
    MyCosObj field = top.array.Get(top.next++);
    if (!IsDict(field) || Repeated(field, seen)) {
      ReportLinkFault(fault, field, KIND_FORM_FIELD);
      continue;
    }
    NodePtr node = NodeOf(field, KIND_FORM_FIELD);
    CheckObjectByKind(node, top.referrer, true);
    if (IsCancelled()) return;
    MyCosObj kids = field.Get("Kids");
    ASInt32 kidCount = EntryCount(kids);
    if (kidCount < 0) {
      ReportLinkFault(fault, field, KIND_FORM_FIELD);
    } else if (kidCount > 0) {
      levels.push_back(Level{kids, kidCount, 0, node});  // invalidates `top`
    }
  }
}

std::string PDFXPreflight::PageProgressText(ASInt32 pageCount) const {
  std::ostringstream text;
  text << "Checking page " << pageCounter_ + 1 << " of " << pageCount;
  return text.str();
}

void PDFXPreflight::MarkResourcesVisited(const MyCosObj& node) {
  MyCosObj resources = node.Get("Resources");
  if (!IsDict(resources)) return;
  struct Collector {
    static ASBool Entry(MyCosObj&, MyCosObj& value, void* data) {
      static_cast<std::vector<MyCosObj>*>(data)->push_back(value);
      return 1;
    }
  };
  std::vector<MyCosObj> categories;
  resources.Enum(&Collector::Entry, &categories);
  for (const MyCosObj& category : categories) CollectDictEntries(*this, category, NodePtr());
  EnterVisited(resources, KIND_RESOURCES);
}

void PDFXPreflight::CheckPages() {
  ASInt32 pageCount = 0;
  HostRegionResult r = HostRegion([&] { pageCount = PDDocGetNumPages(pdDoc_); });
  if (r.raised && r.code != 0) throw Zentu::AcrobatException(-1, r.code, "PDFXPreflight::CheckPages");

  // Whatever ends the walk, the levels it pushed go with it, and records
  // filed afterwards (deferred tests, repairs) belong to no page.
  struct Unwind {
    ResourceStack& stack;
    size_t depth;
    int& currentPage;
    ~Unwind() {
      while (stack.Size() > depth) stack.Pop();
      currentPage = -1;
    }
  } unwind{resourceStack_, resourceStack_.Size(), currentPage_};

  LinkFault fault = {kPagesLoop, false};
  std::set<ASInt32> seen;
  std::vector<PageTreeLevel> levels;
  MyCosObj root = document_.GetRoot().Get("Pages");
  if (Valid(root) && !EnterTreeNode(root, levels, seen, fault, pageCount)) return;
  while (!levels.empty()) {
    PageTreeLevel& top = levels.back();
    if (top.next >= top.count) {
      LeaveTreeNode(levels);
      continue;
    }
    MyCosObj kid = top.kids.Get(top.next++);
    if (!EnterTreeNode(kid, levels, seen, fault, pageCount)) return;
  }
  // Every page walked: the progress reaches its end.
  ReportProgress(PageProgressText(pageCount), pageCounter_ + 1, pageCount);
}

bool PDFXPreflight::EnterTreeNode(const MyCosObj& node, std::vector<PageTreeLevel>& levels,
                                  std::set<ASInt32>& seen, LinkFault& fault, ASInt32 pageCount) {
  const MyCosObj holder = levels.empty() ? MyCosObj() : levels.back().node;
  if (!Valid(node)) {
    // A kid that names nothing: the rest of the tree is still walked.
    ReportLinkFault(fault, holder, KIND_PAGES);
    return true;
  }
  if (Repeated(node, seen)) {
    ReportLinkFault(fault, node, ClassifyObjectKind(node));
    return true;
  }
  MarkResourcesVisited(node);
  std::string type = TypeText(node.Get("Type"));
  if (type != "Pages" && type != "Page") throw std::runtime_error("Invalid type in /Pages tree!");

  // The referrer is the node that lists this one: /Parent when it says so.
  MyCosObj parent = node.Get("Parent");
  bool parentRight = !Valid(holder) || (Valid(parent) && parent.Equal(holder));
  if (!parentRight) ReportLinkFault(fault, node, type == "Page" ? KIND_PAGE : KIND_PAGES);

  if (type == "Pages") {
    resourceStack_.Push(node);
    MyCosObj kids = node.Get("Kids");
    ASInt32 count = EntryCount(kids);
    if (count < 0) {
      ReportLinkFault(fault, node, KIND_PAGES);
      count = 0;
    }
    levels.push_back(PageTreeLevel{node, kids, count, 0});
    return true;
  }

  resourceStack_.Push(node);
  ++pageCounter_;
  currentPage_ = pageCounter_;
  if (ReportProgress(PageProgressText(pageCount), pageCounter_, pageCount)) return false;
  NodePtr parentNode;
  if (Valid(parent) && parentRight) {
    parentNode = NodeOf(parent, KIND_PAGES);
  } else if (Valid(holder)) {
    parentNode = NodeOf(holder, KIND_PAGES);
  }
  NodePtr pageNode = NodeOf(node, KIND_PAGE);
  CheckObjectByKind(pageNode, parentNode, true);
  if (!IsCancelled()) DrainPendingObjects(pageNode);
  resourceStack_.Pop();
  return !IsCancelled();
}

void PDFXPreflight::LeaveTreeNode(std::vector<PageTreeLevel>& levels) {
  const MyCosObj node = levels.back().node;
  const MyCosObj holder = levels.size() > 1 ? levels[levels.size() - 2].node : MyCosObj();
  levels.pop_back();
  resourceStack_.Pop();
  if (!node.IsIndirect()) return;

  // Done with all its kids: the object visit never checks it.
  NodePtr done = NodeOf(node, KIND_PAGES);
  MyCosObj parent = node.Get("Parent");
  if (Valid(holder)) {
    done->referrers.push_back(NodeOf(Valid(parent) && parent.Equal(holder) ? parent : holder, KIND_PAGES));
  } else if (Valid(parent)) {
    done->referrers.push_back(NodeOf(parent, KIND_PAGES));
  }
  visited_[node.GetID()] = done;
}
