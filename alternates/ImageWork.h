// The image operations the commands call (the conversion in
// ImageConverter.cpp, the alternates editing in AlternatesEditing.cpp), and
// the About pictures the About dialog shows.
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

// The About dialog's two pictures, on its items 7 and 6.
void AttachAboutPictures(BaseADMDialog& dialog);
