// The marked alternate entries (<< /Image I /ZNTUAltSet /ZNTUAltSetName >>
// in an image's "Alternates") and the replacement of images in place. The
// commands' entries (RemoveAlternatesInDocument, AttachAlternates,
// ModifyImagesInPlace) are declared with the other image operations.
#pragma once
#include <set>
#include <utility>

#include "alternates/ImageCollection.h"

// Appends a marked entry for `newImage`; an "Alternates" that is no array
// is replaced by a new one.
void SetAlternate(CosObj image, CosObj newImage);
// Removes the marked entries, destroying them and their images; an array
// left empty goes too.
void RemoveMarkedAlternates(CosObj image);
// Puts the new image under every name that draws the base image, in the
// XObject resources of every page and of the forms they reach; the base
// record then takes the new one's values.
void ReplaceImage(ImageRecord& base, ImageRecord& replacement);

struct ReplaceContext {
  CosObj dict;  // the XObject dictionary walked
  CosObj oldImage;
  CosObj newImage;
  std::set<std::pair<ASUns32, ASUns32>>* walked;  // each dictionary once
  bool replaced;
};
// Dictionary enumeration procedure (client datum: a ReplaceContext).
ASBool ReplaceImageProc(CosObj key, CosObj value, void* context);
