#include "alternates/ImageWork.h"

#include "alternates/AboutPicture.h"
#include "common/ADMSuites.h"
#include "host/frame.h"
#include "host/piglue.h"

void ConvertImages(ImageMap&, ImageMap&, const ImageOptions&, uint64_t) {}

// Removing the marked alternates of each image is still to come.
void RemoveAlternatesInDocument(ImageMap& images) {
  if (!images.empty()) return;
  PDDoc doc = AVDocGetPDDoc(AVAppGetActiveDoc());
  ASCallback callback = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&CollectImagesProc));
  struct Destroy {
    ASCallback callback;
    ~Destroy() { HostRegion([this] { ASCallbackDestroy(callback); }); }
  } destroy{callback};
  ASInt32 pages = PDDocGetNumPages(doc);
  if (pages > 0) PDDocEnumResources(doc, 0, pages - 1, ASAtomFromString("XObject"), callback, &images);
}
void AttachAlternates(ImageMap&, ImageMap&) {}
void ModifyImagesInPlace(ImageMap&, ImageMap&) {}

void AttachAboutPictures(BaseADMDialog& dialog) {
  // Each picture belongs to its item, which deletes it when it goes.
  for (ASInt32 id : {7, 6})
    if (ADMItemRef item = ADMDialog::GetItem(dialog.GetDialogRef(), id)) new AboutPicture(item, &dialog, id);
}
