// The page-box editor's one object: the five page boxes it edits, the host
// tool record, the dialog group, the box library, the fonts-and-colours
// cache and the editing state (the page view and page the boxes belong to).
#pragma once
#include <boost/shared_ptr.hpp>
#include <map>
#include <vector>

#include "host/calls.h"
#include "pageboxes/BoxLibrary.h"
#include "pageboxes/FontsScan.h"
#include "pageboxes/FramewickDlgGroup.h"
#include "pageboxes/PageBox.h"

class FramewickTool : public CurrentPageSource {
 public:
  // Thrown by value where a host call fails inside the tool's dialogs.
  struct AcroException {
    ASInt32 code;
  };

  // The one tool, built on first use; none when it could not be made.
  static FramewickTool* Instance();
  // Deletes it (unload); its destruction saves the preferences.
  static void DeleteInstance();
  static bool Exists();

  virtual ~FramewickTool();

  // The toolbar button, the About item and the tool record, registered
  // with the host; false when the host failed.
  bool SetUpToolAndMenus();

  // The document's cached fonts-and-colours scan, scanned on first ask.
  ScanResult GetScanResult(AVDoc doc);

  // Loads the boxes and the page record; with `reset`, from scratch.
  void ReadBoxInfo(PDPage page, bool reset);
  // Writes the four boxes and the page record into the page.
  void WriteBoxInfo(PDPage page);
  // The current page of the current view; none on a host failure. The
  // caller releases it.
  PDPage AcquireCurrentPage() override;

  // The tool became the active tool: binds it to the active document's page.
  void BeginEditing();
  // Binds the tool to the view's current page (none: unbinds).
  void SetCurrentPage(AVPageView view);
  // The largest enabled box becomes the anchor.
  void ChooseDefaultAnchor();

  // A click in a page view and a key press while the tool is active:
  // handled or not. Dragging and nudging are not built yet.
  bool TrackBoxDrag(AVPageView view, ASInt16 x, ASInt16 y);
  bool HandleBoxKey(ASUns16 key, ASInt16 flags);
  // The box library in the preference store.
  void LoadBoxLibrary();
  void SaveBoxLibrary();

  ASAtom type = ASAtomNull;
  AVTool record = nullptr;
  AVToolButton button = nullptr;
  AVPageView pageView = nullptr;
  ASInt32 pageNumber = -1;
  PageBox mediaBox;
  std::vector<PageBox*> boxes;  // bleed, trim, live area, crop
  FramewickDlgGroup dialogGroup;
  BoxLibrary library;
  std::map<AVDoc, ScanResult> scanCache;
  boost::shared_ptr<BoxLibrary::BoxSet> specification;
  boost::shared_ptr<BoxLibrary::PublicationSet> publication;
  bool specificationChosen = false;
  bool busy = false;

 private:
  FramewickTool();
  FramewickTool(const FramewickTool&) = delete;
  FramewickTool& operator=(const FramewickTool&) = delete;
};
