// The way from the boxes palette to the library dialog.
#include "pageboxes/FramewickTool.h"
#include "pageboxes/LibraryDlg.h"
#include "pageboxes/PageBoxDlg.h"

ASInt32 ChooseSpecification(FramewickTool& tool, CAcroADMDialog* owner,
                            boost::shared_ptr<BoxLibrary::BoxSet>* specification,
                            boost::shared_ptr<BoxLibrary::PublicationSet>* publication) {
  LibraryDlg dialog(owner, tool.library);
  const ASInt32 result = dialog.DoModal();
  *specification = dialog.CurrentSpecification();
  *publication = dialog.CurrentPublication();
  return result;
}
