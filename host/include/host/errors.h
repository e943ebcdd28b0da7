// Error codes the host raises. Each has a text (AcroSupport GetErrorString).
// The layout is severity << 28 | system << 16 | number.
#pragma once
#include "host/astypes.h"

#define HOST_ERR(sys, num) ((ASErrorCode)(0x20000000u | ((ASUns32)(sys) << 16) | (ASUns32)(num)))

enum : ASErrorCode {
  hostErrNone = 0,
  // general
  genErrGeneral = HOST_ERR(0, 1),
  genErrNoMemory = HOST_ERR(0, 2),
  genErrBadParm = HOST_ERR(0, 3),
  genErrNoHFT = HOST_ERR(0, 4),
  genErrTooManyAtoms = HOST_ERR(0, 5),
  genErrBadHandle = HOST_ERR(0, 6),
  genErrMissingEntry = HOST_ERR(0, 7),
  genErrUnknownError = HOST_ERR(0, 8),
  genErrException = HOST_ERR(0, 9),
  // Cos
  cosErrTypeMismatch = HOST_ERR(1, 0x18),  // 0x20010018
  cosErrDocMismatch = HOST_ERR(1, 0x19),
  cosErrBadIndex = HOST_ERR(1, 0x1A),
  cosErrDestroyed = HOST_ERR(1, 0x1B),
  cosErrBadSyntax = HOST_ERR(1, 0x1C),
  cosErrCannotEncode = HOST_ERR(1, 0x1D),
  cosErrDataTooLarge = HOST_ERR(1, 0x1E),
  cosErrReadError = HOST_ERR(1, 0x1F),
  cosErrObjectNotFound = HOST_ERR(1, 0x20),
  cosErrNoObjectNumber = HOST_ERR(1, 0x40),  // no number left for a new object
  // PD
  pdErrOpenFailed = HOST_ERR(2, 1),
  pdErrBadFile = HOST_ERR(2, 2),
  pdErrNeedPassword = HOST_ERR(2, 3),
  pdErrBadPageIndex = HOST_ERR(2, 4),
  pdErrSaveFailed = HOST_ERR(2, 5),
  pdErrNoPages = HOST_ERR(2, 6),
  pdErrNotPermitted = HOST_ERR(2, 7),  // the document's security forbids the change
  // files
  fileErrOpen = HOST_ERR(3, 1),
  fileErrRead = HOST_ERR(3, 2),
  fileErrWrite = HOST_ERR(3, 3),
  fileErrNotFound = HOST_ERR(3, 4),
  fileErrBadPath = HOST_ERR(3, 5),
  fileErrPermission = HOST_ERR(3, 6),
  fileErrIsFolder = HOST_ERR(3, 7),
  // The registry answers this one as a system error code of ours (bit 29 set).
  fileErrSettingsLock = HOST_ERR(3, 8),
  // view
  avErrNoDocument = HOST_ERR(4, 1),
  avErrScriptExhausted = HOST_ERR(4, 2),
};
