// The marked alternate entries (<< /Image I /ZNTUAltSet /ZNTUAltSetName >>
// in an image's "Alternates") and the replacement of images in place. The
// commands' entries (RemoveAlternatesInDocument, AttachAlternates,
// ModifyImagesInPlace) are declared with the other image operations.
#pragma once
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "alternates/ImageCollection.h"

// Appends a marked entry for `newImage`; an "Alternates" that is no array
// is replaced by a new one.
void SetAlternate(CosObj image, CosObj newImage);
// Removes the marked entries, destroying them and their images; an array
// left empty goes too.
void RemoveMarkedAlternates(CosObj image);
// Takes the marked entries out of the image's "Alternates" (an array left
// empty goes) and adds the images they held to `images`; answers how many.
ASInt32 TakeMarkedAlternates(CosObj image, std::vector<CosObj>& images);
// Destroys the alternate images, after taking every "Alternates" entry of
// the document that names one of them out of its array (an array left empty
// goes), whatever image holds it and wherever that is drawn from: no
// reference to a destroyed image stays behind. An image anything else refers
// to (a page or a form draws it, an appearance, a pattern, a mask) is kept,
// and so are the entries that name it.
void DestroyAlternateImages(CosDoc doc, const std::vector<CosObj>& images);
// Indirect-object enumeration procedure of DestroyAlternateImages (client
// datum: the set of the object numbers of the images to destroy).
ASBool DropEntriesNaming(CosObj object, CosObj unused, void* doomed);
// The new image of each old one, by the old one's object number.
typedef std::map<ASUns32, CosObj> Replacements;
// Puts each new image under every name that draws its old one, in the
// XObject resources of every page and of the forms they reach, in one walk.
void ReplaceImages(CosDoc doc, const Replacements& replacements);

struct ReplaceContext {
  CosObj dict;  // the XObject dictionary walked
  const Replacements* replacements;
  std::set<std::pair<ASUns32, ASUns32>>* walked;  // each dictionary once
  bool replaced;
};
// Dictionary enumeration procedure (client datum: a ReplaceContext).
ASBool ReplaceImageProc(CosObj key, CosObj value, void* context);
