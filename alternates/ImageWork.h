// The image operations the commands call, and the user-interface pieces they
// open. Here they are seams that change nothing: the image collection, the
// conversion and the alternates editing fill them in, as do the options
// dialog, the About pictures and the batch router's client.
#pragma once
#include <deque>
#include <map>

#include "alternates/ImageOptions.h"
#include "host/astypes.h"

class BaseADMDialog;

struct ImageRecord {
  CosObj image{};
  double placedHeight = 0;  // points, of the largest placement recorded
  double placedWidth = 0;
  ASUns32 work = 0;  // estimated bytes of work
  std::deque<ASInt32> pages;  // the page of each placement, in walk order
};

// By the image's object number.
typedef std::map<ASUns32, ImageRecord> ImageMap;

void CollectPlacements(PDDoc doc, ImageMap& collected);
void SelectImages(const ImageMap& collected, ImageMap& selected, const ImageOptions& options);
ASInt32 CountWork(ImageMap& selected, const ImageOptions& options);
void ConvertImages(ImageMap& selected, ImageMap& converted, const ImageOptions& options, ASInt32 total);
// An empty map takes every image XObject of the active document.
void RemoveAlternatesInDocument(ImageMap& images);
void AttachAlternates(ImageMap& base, ImageMap& converted);
void ModifyImagesInPlace(ImageMap& base, ImageMap& converted);

// Runs the options dialog over `options` (a copy of the command's set) from
// the dialog resource `name`, template `id`; 1 for OK. Until the dialog is
// built it answers OK and leaves the copy as it is.
ASInt32 RunImageOptionsDialog(ImageOptions& options, const char* title, const char* name, ASInt32 id);

// The About dialog's two pictures, on its items 7 and 6.
void AttachAboutPictures(BaseADMDialog& dialog);

// The batch router's client: registered at export, the router imported in
// the import phase, the idle procedure that runs queued jobs at init.
typedef void (*BatchHandler)();
void BatchQueryActions();
void BatchRunAction();
class BatchClient {
 public:
  static ASBool Register(const char* extension, const char* displayName, BatchHandler query, BatchHandler run);
};
ASBool ImportBatchRouter();
ASBool RegisterBatchIdleProc();
