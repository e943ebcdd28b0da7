#include "alternates/ImageWork.h"

void CollectPlacements(PDDoc, ImageMap&) {}
void SelectImages(const ImageMap&, ImageMap&, const ImageOptions&) {}
ASInt32 CountWork(ImageMap&, const ImageOptions&) { return 0; }
void ConvertImages(ImageMap&, ImageMap&, const ImageOptions&, ASInt32) {}
void RemoveAlternatesInDocument(ImageMap&) {}
void AttachAlternates(ImageMap&, ImageMap&) {}
void ModifyImagesInPlace(ImageMap&, ImageMap&) {}

ASInt32 RunImageOptionsDialog(ImageOptions&, const char*, const char*, ASInt32) { return 1; }

void AttachAboutPictures(BaseADMDialog&) {}

void BatchQueryActions() {}
void BatchRunAction() {}
ASBool BatchClient::Register(const char*, const char*, BatchHandler, BatchHandler) { return 1; }
ASBool ImportBatchRouter() { return 1; }
ASBool RegisterBatchIdleProc() { return 1; }
