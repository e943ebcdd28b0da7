// Host files (ASFile) and the AcroSupport file operations.
#pragma once
#include "core/host.h"

namespace host {

ASFileSys DefaultFileSys();
// The file of a document (read only), made on first need.
ASFile DocumentFile(ASUns32 docId);
void ForgetDocumentFiles(ASUns32 docId);

char* SupDisplayStringFromPath(ASFileSys fileSys, ASPathName path, ASPathName relativeTo);
ASPathName SupFileAcquirePathName(ASFile file);
ASFileSys SupFileGetFileSys(ASFile file);
ASErrorCode SupFileSysOpenFile(ASFileSys fileSys, ASPathName path, ASUns16 mode, ASFile* file);
ASErrorCode SupFileSysRemoveFile(ASFileSys fileSys, ASPathName path);
ASFilePos64 SupFileGetEOF(ASFile file);
void SupFileSetPos(ASFile file, ASFilePos64 pos);
ASFilePos64 SupFileGetPos(ASFile file);
ASSize_t SupFileRead(ASFile file, char* buffer, ASSize_t count);
ASSize_t SupFileWrite(ASFile file, const char* buffer, ASSize_t count);
ASErrorCode SupFileClose(ASFile file);
// A read stream over the whole file, from its start to its end, whatever the
// file's own position; `bufSize` is a hint only. Closing the file ends it.
ASStm SupFileStmRdOpen(ASFile file, ASUns32 bufSize);

}  // namespace host
