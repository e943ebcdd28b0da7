// The tool's current page: binding it to a view's page, asking to apply the
// edits of the page it leaves, reloading after an outside change, and
// following the host's documents, views and pages.
#include <memory>

#include "common/HostCall.h"
#include "host/piglue.h"
#include "pageboxes/FramewickTool.h"
#include "pageboxes/HostEntry.h"

namespace {

bool Same(const ASFixedRect& a, const ASFixedRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

FramewickTool* ToolOf(void* data) { return FramewickTool::Exists() ? static_cast<FramewickTool*>(data) : nullptr; }

void ForgetDocument(AVDoc doc, void* data) {
  Caught([&] {
    if (FramewickTool* tool = ToolOf(data)) tool->OnDocumentClosing(doc);
  });
}

void BindDocumentView(AVDoc doc, void* second, void* data) {
  Caught([&] {
    FramewickTool* tool = ToolOf(data);
    if (!tool || !doc || !second) return;
    AVPageView view = nullptr;
    ASInt32 count = 0;
    HostCall("BindDocumentView", [&] {
      view = AVDocGetPageView(doc);
      if (view && AVPageViewGetLayoutMode(view) != 1) AVPageViewSetLayoutMode(view, 1);
      count = AVAppGetNumDocs();
    });
    if (view) {
      tool->scanCache.erase(doc);
      tool->GetScanResult(doc);
      tool->SetCurrentPage(view);
    } else if (count == 1) {
      tool->SetCurrentPage(nullptr);
    }
  });
}

void FollowPageView(AVPageView view, void* data) {
  Caught([&] {
    FramewickTool* tool = ToolOf(data);
    if (!tool) return;
    bool active = false;
    HostCall("FollowPageView", [&] {
      AVDoc doc = AVAppGetActiveDoc();
      active = doc && AVDocGetPageView(doc) == view;
    });
    if (active) tool->SetCurrentPage(view);
  });
}

void PageChangedCallback(PDPage page, void* data) {
  Caught([&] {
    if (FramewickTool* tool = ToolOf(data)) tool->OnPageChanged(page);
  });
}

// Made once, kept for the life of the plug-in.
ASCallback gForget = nullptr, gBind = nullptr, gFollow = nullptr, gPageChanged = nullptr;

// As the toolbar button does: the previous tool, or the default one when
// that is this tool or will not come back.
void HandOver(FramewickTool& tool) {
  HostCall("FramewickTool", [&] {
    AVTool next = AVAppGetLastActiveTool();
    if (!next || next == tool.record || !AVToolIsPersistent(next)) next = AVAppGetDefaultTool();
    AVAppSetActiveTool(next, 1);
  });
}

}  // namespace

void FramewickTool::RegisterNotifications(bool on) {
  if (on == following) return;
  const struct {
    ASInt32 type;
    ASCallback* callback;
    void* proc;
  } table[] = {{avNotifyDocWillClose, &gForget, reinterpret_cast<void*>(&ForgetDocument)},
               {avNotifyDocDidActivate, &gBind, reinterpret_cast<void*>(&BindDocumentView)},
               {avNotifyPageViewDidChange, &gFollow, reinterpret_cast<void*>(&FollowPageView)},
               {pdNotifyPageDidChange, &gPageChanged, reinterpret_cast<void*>(&PageChangedCallback)}};
  HostCall("FramewickTool", [&] {
    for (const auto& row : table) {
      if (!*row.callback) *row.callback = ASCallbackCreate(gExtensionID, row.proc);
      if (on)
        AVAppRegisterNotification(row.type, gExtensionID, *row.callback, this);
      else
        AVAppUnregisterNotification(row.type, gExtensionID, *row.callback, this);
    }
  });
  following = on;
}

void FramewickTool::BeginEditing() {
  if (dialogGroup.HasMembers()) return;
  LoadBoxLibrary();
  AVPageView view = nullptr;
  HostCall("BeginEditing", [&] {
    if (AVDoc doc = AVAppGetActiveDoc()) view = AVDocGetPageView(doc);
  });
  SetCurrentPage(view);
  ChooseDefaultAnchor();
  dialogGroup.CreateDialogs(mediaBox, boxes);
  // Registered once, however often the tool is made active again.
  RegisterNotifications(true);
}

bool BoxesEdited(const std::vector<PageBox*>& boxes) {
  for (const PageBox* box : boxes)
    if (box->IsEnabled() != box->Found() || !Same(box->Rect(), box->PageRect())) return true;
  return false;
}

bool FramewickTool::Edited() const { return BoxesEdited(boxes); }

void FramewickTool::SetCurrentPage(AVPageView view) {
  if (busy) return;
  ASInt32 number = -1;
  if (view) HostCall("SetCurrentPage", [&] { number = AVPageViewGetPageNum(view); });
  const bool moves = view != pageView || number != pageNumber;
  // A page too large to edit has nothing of the user's to write.
  if (pageView && moves && Edited() && !PageTooLarge()) {
    ASInt32 answer = 0;
    HostCall("SetCurrentPage",
             [&] { answer = AVAlert(1, "Would you like to apply your changes?", "Yes", "No", nullptr, 1); });
    // The page the boxes were loaded from: the view may show another one by now.
    if (answer == 1) {
      PageHold page(AcquireCurrentPage());
      if (page.page) WriteBoxInfo(page.page);
    }
  }
  if ((view && number == -1) || !moves) return;
  // A crop box switched off and not written: the page it left shows its own again.
  for (PageBox* box : boxes)
    if (auto* crop = dynamic_cast<CropPageBox*>(box)) crop->RestorePageCrop();
  if (pageView) dialogGroup.NotifyAll(view);
  pageView = view;
  pageNumber = number;
  if (!view) return;
  PageHold page(AcquireCurrentPage());
  if (page.page) ReadBoxInfo(page.page, true);
}

void FramewickTool::OnPageChanged(PDPage page) {
  if (busy || !pageView) return;
  PDPage shown = nullptr;
  HostCall("OnPageChanged", [&] { shown = AVPageViewGetPage(pageView); });
  if (!page || shown != page) return;
  {
    PageHold current(AcquireCurrentPage());
    if (!current.page) return;
    std::unique_ptr<PageBox> media(mediaBox.Clone());
    media->Reset();
    media->LoadFromPage(pageView, current.page, true);
    bool reload = !Same(media->PageRect(), mediaBox.PageRect());
    for (size_t i = 0; !reload && i < boxes.size(); ++i) {
      // A crop box still holding what the row wrote at once has not changed under it.
      if (auto* crop = dynamic_cast<CropPageBox*>(boxes[i]); crop && crop->TakeBackPending(current.page)) continue;
      std::unique_ptr<PageBox> clone(boxes[i]->Clone());
      // A copy only reads: it must not put back a crop box the original replaced.
      if (auto* crop = dynamic_cast<CropPageBox*>(clone.get())) crop->SetPageSource(nullptr);
      clone->Reset();
      clone->LoadFromPage(pageView, current.page, true);
      reload = !Same(clone->PageRect(), boxes[i]->PageRect());
    }
    if (reload) {
      // X and Y, "c" and the overlay measure from the media box: it is read again too.
      if (!Same(media->PageRect(), mediaBox.PageRect())) {
        mediaBox.Reset();
        mediaBox.LoadFromPage(pageView, current.page, true);
      }
      ReadBoxInfo(current.page, false);
    }
  }
  dialogGroup.NotifyAll(pageView);
}

// Ends the editing once: a second call finds nothing bound or followed.
// Another tool made active meanwhile (the button's) stays active.
void FramewickTool::UpdateDialogState() {
  if (dialogGroup.HasMembers() || (!following && !pageView)) return;
  RegisterNotifications(false);
  SetCurrentPage(nullptr);
  bool ours = false;
  HostCall("UpdateDialogState", [&] { ours = AVToolGetType(AVAppGetActiveTool()) == type; });
  if (ours) HandOver(*this);
  SaveBoxLibrary();
}

void FramewickTool::OnDocumentClosing(AVDoc doc) {
  scanCache.erase(doc);
  AVDoc shown = nullptr;
  ASInt32 count = 0;
  bool ours = false;
  HostCall("ForgetDocument", [&] {
    if (pageView) shown = AVPageViewGetAVDoc(pageView);
    count = AVAppGetNumDocs();
    ours = AVToolGetType(AVAppGetActiveTool()) == type;
  });
  // A tool left bound to the closing view would use it after it has gone;
  // the next activation binds it again.
  if (shown && shown == doc) SetCurrentPage(nullptr);
  if (count != 1) return;
  if (ours) HandOver(*this);
  dialogGroup.CloseAll();
  SaveBoxLibrary();
}
