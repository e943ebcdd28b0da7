#include "alternates/ImageWork.h"

#include "alternates/AboutPicture.h"
#include "common/ADMSuites.h"
#include "host/frame.h"
#include "host/piglue.h"


void AttachAboutPictures(BaseADMDialog& dialog) {
  // Each picture belongs to its item, which deletes it when it goes.
  for (ASInt32 id : {7, 6})
    if (ADMItemRef item = ADMDialog::GetItem(dialog.GetDialogRef(), id)) new AboutPicture(item, &dialog, id);
}
