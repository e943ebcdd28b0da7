// The image operations the commands call (the conversion in
// ImageConverter.cpp, the alternates editing in AlternatesEditing.cpp), and
// the user-interface pieces they open: seams that the options dialog and
// the batch router's client fill in.
#pragma once
#include "alternates/ImageCollection.h"
#include "alternates/ImageOptions.h"
#include "host/astypes.h"

class BaseADMDialog;

// `total`: CountWork's, which the progress takes saturated at its 32-bit range.
void ConvertImages(ImageMap& selected, ImageMap& converted, const ImageOptions& options, uint64_t total);
// An empty map is first filled with every image XObject of the active
// document (CollectImagesProc over all its pages).
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
