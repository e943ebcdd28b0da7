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

// Releases an acquired page on every way out.
struct PageHold {
  explicit PageHold(PDPage page) : page(page) {}
  ~PageHold();
  PageHold(const PageHold&) = delete;
  PageHold& operator=(const PageHold&) = delete;
  PDPage page;
};

// Whether any box differs from what its page holds: switched on or off, or moved.
bool BoxesEdited(const std::vector<PageBox*>& boxes);

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
  ScanRecord GetScanResult(AVDoc doc);
  // Scans a page's resources (-1: every page) into the document's record,
  // unless it was scanned before and `rescan` is false.
  void ScanPageResources(AVDoc doc, bool rescan, ASInt32 page);

  // Loads the boxes and the page record; with `reset`, from scratch.
  void ReadBoxInfo(PDPage page, bool reset);
  // Writes the four boxes and the page record into the page.
  void WriteBoxInfo(PDPage page);
  // The current page of the current view; none on a host failure. The
  // caller releases it.
  PDPage AcquireCurrentPage() override;

  // The tool became the active tool: binds it to the active document's
  // page, opens the dialogs and follows documents, views and pages.
  void BeginEditing();
  // Binds the tool to the view's current page (none: unbinds), offering to
  // write the edits of the page it leaves.
  void SetCurrentPage(AVPageView view);
  // The page's dictionary changed: reloads the boxes when it is the current
  // page and a box changed there.
  void OnPageChanged(PDPage page);
  // A member dialog closed: with none left the editing ends.
  void UpdateDialogState();
  // The document is closing: it leaves the scan cache and, when the tool
  // shows it, the tool lets it go.
  void OnDocumentClosing(AVDoc doc);
  // The largest enabled box becomes the anchor.
  void ChooseDefaultAnchor();
  // Whether any of the four boxes differs from what its page holds.
  bool Edited() const;
  // The page's media box passes the 16.16 range: its boxes are shown as the
  // file holds them and cannot be edited.
  bool PageTooLarge() const { return mediaBox.PageBeyondRange(); }
  // On such a page, tells the user that an edit is refused, and answers true.
  bool RefusesEdits();

  // A click in a page view and a key press while the tool is active:
  // handled or not.
  bool TrackBoxDrag(AVPageView view, ASInt16 x, ASInt16 y);
  bool HandleBoxKey(ASUns16 key, ASInt16 flags);
  // The box library in the preference store.
  void LoadBoxLibrary();
  void SaveBoxLibrary();
  // The specification last applied from the library and whether the boxes
  // still follow it (then the page record names it).
  void SetChosenSpecification(bool chosen, const boost::shared_ptr<BoxLibrary::BoxSet>& spec,
                              const boost::shared_ptr<BoxLibrary::PublicationSet>& pub);

  ASAtom type = ASAtomNull;
  AVTool record = nullptr;
  AVToolButton button = nullptr;
  AVPageView pageView = nullptr;
  ASInt32 pageNumber = -1;
  MediaPageBox mediaBox;
  std::vector<PageBox*> boxes;  // bleed, trim, live area, crop
  FramewickDlgGroup dialogGroup;
  BoxLibrary library;
  std::map<AVDoc, ScanRecord> scanCache;
  boost::shared_ptr<BoxLibrary::BoxSet> specification;
  boost::shared_ptr<BoxLibrary::PublicationSet> publication;
  bool specificationChosen = false;
  bool busy = false;
  bool following = false;  // the four notifications are registered

 private:
  // The page record's specification, locks and anchor.
  void ReadPageRecord(PDPage page);
  // The enabled boxes' device rectangles from their rects in the view.
  void UpdateDeviceRects(AVPageView view);
  void RegisterNotifications(bool on);
  FramewickTool();
  FramewickTool(const FramewickTool&) = delete;
  FramewickTool& operator=(const FramewickTool&) = delete;
};
