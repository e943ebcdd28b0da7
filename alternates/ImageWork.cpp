#include "alternates/ImageWork.h"

#include "alternates/AboutPicture.h"
#include "common/ADMSuites.h"
#include "host/frame.h"
#include "host/piglue.h"

ASInt32 RunImageOptionsDialog(ImageOptions&, const char*, const char*, ASInt32) { return 1; }

void AttachAboutPictures(BaseADMDialog& dialog) {
  // Each picture belongs to its item, which deletes it when it goes.
  for (ASInt32 id : {7, 6})
    if (ADMItemRef item = ADMDialog::GetItem(dialog.GetDialogRef(), id)) new AboutPicture(item, &dialog, id);
}

void BatchQueryActions() {}
void BatchRunAction() {}
ASBool BatchClient::Register(const char*, const char*, BatchHandler, BatchHandler) { return 1; }
ASBool ImportBatchRouter() { return 1; }
ASBool RegisterBatchIdleProc() { return 1; }
