// What the output-intent repairs and tests of both PDF/X families share:
// the conditions they write, a condition's profile file and its embedding,
// the pages' Default colour spaces, the catalog's output intent, and the
// two tests of the "OutputIntents" array and the chosen condition.
#pragma once
#include <cstdint>
#include <string>
#include <utility>

#include <boost/shared_ptr.hpp>

#include "common/AcrobatException.h"
#include "common/MyCosDoc.h"
#include "common/MyCosObj.h"
#include "engine/FixContext.h"
#include "engine/OutputCondition.h"
#include "engine/RuleContext.h"
#include "host/frame.h"

namespace Zentu {

class Conformance;
class Fixer;
class PDFX_Error;

namespace family {

// The colour registry's address, which an output intent naming one of its
// conditions carries as "RegistryName".
extern const char kRegistryName[];

// The condition "Custom" of the default profile (may be empty): not
// registered, no text, its colour family that of the profile when it was
// read, else not known (3).
boost::shared_ptr<OutputCondition> CustomCondition(const boost::shared_ptr<OutputIntentRecord>& profile);
// The reference condition registered under exactly that identifier, or empty.
boost::shared_ptr<OutputCondition> RegisteredCondition(Conformance& standard, const std::string& identifier);
// The condition the settings choose for the output intent:
// "default_condition_type" "profile" gives `custom`; otherwise the reference
// condition "default_condition" names, else `otherwise`.
boost::shared_ptr<OutputCondition> ChosenCondition(Conformance& standard,
                                                   const boost::shared_ptr<OutputCondition>& custom,
                                                   const boost::shared_ptr<OutputCondition>& otherwise);

// An ICC colour-space signature's family: 'GRAY' 0, 'RGB ' 1, 'CMYK' 2, else 3.
int FamilyOfColorSpace(int32_t signature);
// The components of a family's colour: 1, 3 or 4; 0 for any other family.
int ComponentsOf(int family);
// Where a profile file is opened: a bare name (no "/" and no "\") lies in
// the plug-in's folder; any other path stands as it is.
std::string ProfilePath(const std::string& file);

// A condition's profile file as embedding needs it.
struct ProfileFile {
  std::string path;    // empty: the condition names no file
  int components = 0;  // 0: its colour is neither gray, RGB nor CMYK
};
// The condition's file; a family not known yet is read from the file and
// kept in the (shared) condition.
ProfileFile ProfileFileOf(OutputCondition& condition);
// Whether an intent naming the condition can stand: a registered one, or one
// whose profile file reads as a gray, RGB or CMYK profile to embed.
bool CanWriteCondition(OutputCondition& condition);
// A new indirect stream of the file's bytes, Flate-compressed, with /N
// `components`. Null when the file cannot be opened, or holds a profile the
// profile test of `standard` (its name) would refuse in the saved file;
// host failures throw.
MyCosObj EmbedProfileFile(const MyCosDoc& doc, const std::string& path, int components, const std::string& standard);
// The profile of the registered condition the intent names (else of the
// settings' own condition), embedded as its "DestOutputProfile": 2, or 1
// when that condition has no profile file.
int ReplaceDestinationProfile(Conformance& standard, PDFXPreflight& walker, MyCosObj intent);

// Runs `body` in one host frame: any host failure inside it, that of a
// wrapper operation included, leaves as AcrobatException (no object
// number) naming `where`.
template <class Body>
void InFrame(const char* where, Body&& body) {
  ASErrorCode code = 0;
  bool failed = false;
  try {
    const HostRegionResult r = HostRegion(std::forward<Body>(body));
    failed = r.raised;
    code = r.code;
  } catch (const AcrobatException& e) {
    failed = true;
    code = e.ErrorCode();
  }
  if (failed) throw AcrobatException(-1, code, where);
}

// A page's Default colour space in the Resources in force for the page.
struct DefaultSpace {
  MyCosObj page;         // null when the document has no page of the index
  MyCosObj colorSpaces;  // the ColorSpace dictionary in force, null when none
  MyCosObj space;        // its entry under the key, null when none
};
DefaultSpace LocateDefaultSpace(PDDoc pd, int pageIndex, const std::string& key);
// Puts `space` under `key` in the ColorSpace dictionary of the Resources in
// force for the page, which gets one (indirect) when it has none; a page
// without Resources in force gets Resources (indirect) of its own.
void AddDefaultSpace(const MyCosDoc& doc, const MyCosObj& page, const std::string& key, const MyCosObj& space);
// The name of a colour space's family (element 0; a bare name is its own),
// ASAtomNull when that is no name.
ASAtom FamilyAtom(const MyCosObj& space);

// The same object, not an equal one; null is no object.
bool SameObject(const MyCosObj& a, const MyCosObj& b);
// The object of a record's container node, null without one.
MyCosObj ContainerObject(const PDFX_Error& error);

// An output intent of subtype GTS_PDFX: its "S" reads "GTS_PDFX".
bool IsPDFXIntent(const MyCosObj& value);
// The catalog's "OutputIntents" array, made when absent. A value that is no
// array is replaced by a new array, holding it when it is a GTS_PDFX intent.
MyCosObj OutputIntentsOf(const MyCosDoc& doc, MyCosObj catalog);
// The index of the first GTS_PDFX intent, -1 when none is.
ASInt32 FindPDFXIntent(const MyCosObj& intents);
// A new dictionary /Type /OutputIntent /S /GTS_PDFX; throws when the host
// cannot make one.
MyCosObj NewPDFXIntent(const MyCosDoc& doc);

// A new direct string; throws when the host cannot make one.
MyCosObj NewText(const MyCosDoc& doc, const std::string& text);

// The walker whose list holds the record of the context, else the context's.
PDFXPreflight* WalkerOf(const FixContext& context);

// Severities a repair of the output intent makes moot: 2, 3, 5 and 6.
bool IsMoot(int effectiveSeverity);

// The tests both families name, filing with `fixer` (may be empty).
int TestOutputIntentsArray(RuleContext* context, const boost::shared_ptr<Fixer>& fixer);
int TestChosenOutputIntent(RuleContext* context, const boost::shared_ptr<Fixer>& fixer);

}  // namespace family
}  // namespace Zentu
