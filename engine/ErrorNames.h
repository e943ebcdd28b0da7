// The three enumerations of the engine and their display names, as the
// reports, the details list and the progress texts show them.
#pragma once
#include <string>
#include <vector>

// How grave a problem is. 0..9 are counted per check; -1 is "none yet"
// and also what a fixed record counts as.
enum ErrorSeverity {
  SEVERITY_UNKNOWN = -1,
  PROBLEM = 0,  // a problem in the verification itself
  CANCELLED = 1,
  WARNING_LOW = 2,
  WARNING_MEDIUM = 3,
  WARNING = 4,
  AUTOFIX_ERROR = 5,
  FIXABLE_ERROR = 6,
  UNFIXABLE_ERROR = 7,
  WORKFLOW_ERROR = 8,
  DEBUG_WARNING = 9,
  SEVERITY_COUNT = 10  // first value that is never counted
};

// What kind of object a problem lies in; also kept in every object node.
enum ObjectKind {
  KIND_UNKNOWN = 0,
  KIND_PAGE = 1,
  KIND_PAGES = 2,
  KIND_CONTENTS = 3,
  KIND_INFO = 4,
  KIND_CATALOG = 5,
  KIND_PROCSET = 6,
  KIND_FONT = 7,
  KIND_FONT_DESCRIPTOR = 8,
  KIND_COLORSPACE = 9,
  KIND_XOBJECT = 10,
  KIND_IMAGE = 11,
  KIND_INLINE_IMAGE = 12,
  KIND_FORM = 13,
  KIND_EXTGSTATE = 14,
  KIND_PATTERN = 15,
  KIND_PROPERTIES = 16,
  KIND_SHADING = 17,
  KIND_STREAM = 18,
  KIND_OPI = 19,
  KIND_FILESPEC = 20,
  KIND_ENCRYPT = 21,
  KIND_RESOURCES = 22,
  KIND_DOCUMENT = 23,
  KIND_OPERATOR = 24,
  KIND_TRAILER = 25,
  KIND_ICC_PROFILE = 26,
  KIND_FUNCTION = 27,
  KIND_NONE = 28,
  KIND_ANNOTATION = 29,
  KIND_HALFTONE = 30,
  KIND_EMBEDDED_FILE = 31,
  KIND_OUTLINE = 32,
  KIND_FORM_FIELD = 33  // has no display name
};

// What is wrong. A rule's problem kind of 12 means "the code its test gives".
enum ProblemKind {
  PROBLEM_NONE = 0,
  PROBLEM_GENERAL = 1,
  PROBLEM_MISSING = 2,
  PROBLEM_INVALID = 3,
  PROBLEM_WRONG_TYPE = 4,
  PROBLEM_BAD_FILTER = 5,
  PROBLEM_NOT_EMBEDDED = 6,
  PROBLEM_BAD_JPEG = 7,
  PROBLEM_NOT_TYPE1 = 8,
  PROBLEM_IMAGE_RESOLUTION = 9,
  PROBLEM_BITMAP_RESOLUTION = 10,
  PROBLEM_TOO_MANY_SPOTS = 11,
  PROBLEM_FROM_TEST = 12
};

// Fills the three tables once; later calls find them filled. Always true.
bool BuildErrorNameTables();

// The tables themselves: each holds one empty entry past its last name.
const std::vector<std::string>& SeverityNames();     // 12 entries, severity s at s + 1
const std::vector<std::string>& ObjectKindNames();   // 34 entries
const std::vector<std::string>& ProblemKindNames();  // 13 entries

// Display name by value; a value outside its table reads as "".
const std::string& SeverityName(int severity);
const std::string& ObjectKindName(int kind);
const std::string& ProblemKindName(int problem);
