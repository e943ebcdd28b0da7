// The way from the boxes palette to the library dialog.
#include "pageboxes/PageBoxDlg.h"

// No library dialog yet: nothing is chosen, so no box changes.
ASInt32 ChooseSpecification(FramewickTool&, CAcroADMDialog*, boost::shared_ptr<BoxLibrary::BoxSet>*,
                            boost::shared_ptr<BoxLibrary::PublicationSet>*) {
  return 0;
}
