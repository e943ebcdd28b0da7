#include "alternates/BatchClient.h"

#include <cstring>
#include <exception>
#include <string>

#include "alternates/Commands.h"
#include "alternates/ZentuCMS.h"
#include "common/HostCall.h"
#include "host/errors.h"
#include "host/piglue.h"

namespace {

const ASUns32 kIdentitySize = 524, kQuerySize = 2060, kRunSize = 776, kResultSize = 268;
const ASUns32 kMoveable = 0x0002;  // GMEM_MOVEABLE
const ASInt32 kWalkPagesFlag = 0x400;
const ASUns16 kIdlePeriod = 30;
const char* const kActions[] = {"Create Alternates", "Remove Alternates", "Modify Images"};

// Job states: idle, queued, done with success, done with error.
enum JobState { kIdle, kQueued, kDone, kFailed };

struct ClientState {
  BatchIdentity identity{kIdentitySize, {'E', 'V', 'L', 'S'}, 1, {}, {}};
  BatchQueryHandler query = nullptr;
  BatchRunHandler run = nullptr;
  HFT table = nullptr;
  HFTServer server = nullptr;
  JobState state = kIdle;
  BatchIdentity sender{};
  BatchRunRequest request{};
  BatchResult result{};
  HFT router = nullptr;
  ASCallback idle = nullptr;
};

ClientState& S() {
  static ClientState state;
  return state;
}

void CopyName(char (&field)[256], const char* text) {
  std::memset(field, 0, sizeof field);
  if (text) std::strncpy(field, text, sizeof field - 1);
}

ASUns32 DispatchEntry(const BatchIdentity* sender, const BatchIdentity* receiver, ASUns32 code, void* data) {
  return BatchClient::Dispatch(sender, receiver, code, data);
}

// Answers only version 1, with the one table made on the first call.
HFT ProvideTable(HFTServer server, ASUns32 version, void*) {
  if (version != 1) return nullptr;
  ClientState& s = S();
  if (!s.table) {
    HostCall("BatchClient::Register", [&] {
      HFT table = ASHFTNew(server, 1);
      ASCallback entry = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&DispatchEntry));
      ASHFTReplaceEntry(table, 1, entry, gExtensionID, 1);
      s.table = table;
    });
  }
  return s.table;
}

void SetMessage(BatchResult* result, const std::string& text) {
  std::memset(result->message, 0, sizeof result->message);
  std::strncpy(result->message, text.c_str(), sizeof result->message - 1);
}

// The action name lies in a field the router fills: it is read within it.
std::string ActionName(const BatchRunRequest* request) {
  const void* zero = std::memchr(request->action, 0, sizeof request->action);
  const size_t length = zero ? static_cast<const char*>(zero) - request->action : sizeof request->action;
  return std::string(request->action, length);
}

Command* MakeCommand(const std::string& action, PDDoc doc) {
  Command* command = nullptr;
  if (action == kActions[0]) command = new CreateAlternatesCommand(true, doc);
  if (action == kActions[1]) command = new RemoveAlternatesCommand(true, doc);
  if (action == kActions[2]) command = new ModifyImagesCommand(true, doc);
  return command;
}

}  // namespace

const BatchIdentity& BatchClient::Identity() { return S().identity; }

ASBool BatchClient::Register(const char* name, const char* displayName, BatchQueryHandler query,
                             BatchRunHandler run) {
  ClientState& s = S();
  CopyName(s.identity.name, name);
  CopyName(s.identity.displayName, displayName);
  s.query = query;
  s.run = run;
  s.state = kIdle;
  HostCall("BatchClient::Register", [&] {
    ASCallback provide = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&ProvideTable));
    s.server = ASHFTServerNew(name, provide, nullptr, nullptr);
  });
  return 1;
}

ASUns32 BatchClient::Dispatch(const BatchIdentity* sender, const BatchIdentity* receiver, ASUns32 code, void* data) {
  if (!sender || !receiver || sender->size != kIdentitySize || receiver->size != kIdentitySize) return 9;
  if (std::memcmp(receiver, &S().identity, kIdentitySize) != 0) return 3;
  switch (code) {
    case kBatchQuery:
      return HandleQuery(static_cast<BatchQuery*>(data));
    case kBatchRun:
      return QueueRun(sender, static_cast<const BatchRunRequest*>(data));
    case kBatchDone:
    case kBatchDoneWithError:
    case kBatchStatus:
      return 6;
    default:
      return 5;
  }
}

ASUns32 BatchClient::HandleQuery(BatchQuery* query) {
  if (!query || query->size != kQuerySize) return 11;
  // The router's call must not unwind: a list that could not grow stays empty.
  try {
    return S().query ? S().query(query) : 0;
  } catch (...) {
    return 0;
  }
}

ASUns32 BatchClient::QueueRun(const BatchIdentity* sender, const BatchRunRequest* request) {
  if (!request || request->size != kRunSize) return 12;
  ClientState& s = S();
  if (s.state != kIdle) return 4;
  std::memcpy(&s.sender, sender, sizeof s.sender);
  std::memcpy(&s.request, request, sizeof s.request);
  s.state = kQueued;
  return 0;
}

void BatchClient::RunQueued() {
  ClientState& s = S();
  s.result = BatchResult{kResultSize, 0, {}, {}};
  try {
    if (s.run) s.run(&s.request, &s.result);
  } catch (...) {
    // A job that ends in anything but a result still ends.
    s.result.errorFlag = 16;
  }
  s.state = s.result.errorFlag ? kFailed : kDone;
}

void BatchClient::Idle() {
  ClientState& s = S();
  switch (s.state) {
    case kQueued:
      RunQueued();
      break;
    case kDone:
    case kFailed: {
      const ASUns32 code = s.state == kDone ? kBatchDone : kBatchDoneWithError;
      s.state = kIdle;
      Send(&s.sender, code, &s.result);
      break;
    }
    case kIdle:
      break;
  }
}

void BatchClient::ReportStatus(void* datum) {
  if (S().state == kQueued) Send(&S().sender, kBatchStatus, datum);
}

void BatchClient::SetRouter(HFT router) { S().router = router; }

// Only through the router's table: without one, nothing is reported.
void BatchClient::Send(const BatchIdentity* receiver, ASUns32 code, void* data) {
  HFT router = S().router;
  if (!router) return;
  HostCall("BatchClient::Send",
           [&] { HFTProc<BatchSendProc>(router, 1)(&S().identity, receiver, code, data); });
}

bool NameList::Reserve(NameList* list, ASUns32 bytes) {
  ASUns32 handle = 0;
  HostCallQuietly([&] {
    if (!list->handle) {
      list->used = 0;
      handle = WinGlobalAlloc(kMoveable, bytes);
    } else {
      handle = WinGlobalReAlloc(list->handle, list->used + bytes, kMoveable);
    }
  });
  if (!handle) {
    if (list->handle) HostCallQuietly([&] { WinGlobalFree(list->handle); });
    list->handle = 0;
    list->used = 0;
    return false;
  }
  list->handle = handle;
  list->used += bytes;
  return true;
}

void* NameList::Lock(NameList* list) {
  void* bytes = nullptr;
  HostCallQuietly([&] { bytes = WinGlobalLock(list->handle); });
  return bytes;
}

void NameList::Unlock(NameList* list) {
  HostCallQuietly([&] { WinGlobalUnlock(list->handle); });
}

namespace {
bool AppendEntry(NameList* list, const char* text, ASUns32 width) {
  if (!NameList::Reserve(list, width)) return false;
  char* bytes = static_cast<char*>(NameList::Lock(list));
  if (!bytes) return false;
  char* entry = bytes + list->used - width;
  std::memset(entry, 0, width);
  std::strncpy(entry, text, width);
  if (width == 32) entry[31] = 0;
  NameList::Unlock(list);
  return true;
}
}  // namespace

bool NameList::Append(NameList* list, const char* name) { return AppendEntry(list, name, 32); }
bool NameList::AppendCode(NameList* list, const char* code) { return AppendEntry(list, code, 4); }

ASUns32 BatchQueryActions(BatchQuery* query) {
  for (const char* action : kActions) NameList::Append(&query->actions, action);
  for (NameList& types : query->types) NameList::AppendCode(&types, "PDF");
  return 0;
}

void BatchRunAction(const BatchRunRequest* request, BatchResult* result) {
  try {
    PDDoc doc = nullptr;
    HostCall("BatchRunAction", [&] {
      doc = AVDocGetPDDoc(AVAppGetActiveDoc());
      if (PDDocGetFlags(doc) & kWalkPagesFlag) {
        const ASInt32 pages = PDDocGetNumPages(doc);
        for (ASInt32 i = 0; i < pages; ++i) PDPageRelease(PDDocAcquirePage(doc, i));
      }
    });
    const std::string action = ActionName(request);
    Command* wrapped = MakeCommand(action, doc);
    if (!wrapped) {
      result->errorFlag = 16;
      SetMessage(result, "Unknown action \"" + action + "\"");
      return;
    }
    Command* secure = new SecureCommand(wrapped);
    if (!secure) {
      delete wrapped;
      throw Zentu::AcrobatException(-1, genErrNoMemory, "BatchRunAction");
    }
    struct Owner {
      Command* command;
      ~Owner() { delete command; }
    } owner{secure};
    secure->Execute();
    result->errorFlag = 0;
    BatchReportStatus(const_cast<unsigned char*>(request->datum));
  } catch (const Zentu::AcrobatException& e) {
    result->errorFlag = 16;
    char text[256] = {};
    HostCallQuietly([&] { ASGetErrorString(e.ErrorCode(), text, sizeof text); });
    text[sizeof text - 1] = 0;
    SetMessage(result, text);
  } catch (const ZentuCMS::CMSError&) {
    result->errorFlag = 16;
    SetMessage(result, "Color conversion is not implemented.");
  } catch (const std::exception& e) {
    result->errorFlag = 16;
    SetMessage(result, e.what());
  } catch (...) {
    result->errorFlag = 16;
    SetMessage(result, "An unknown error occurred.");
  }
}

void BatchReportStatus(void* datum) { BatchClient::ReportStatus(datum); }

void BatchIdleProc(void*) {
  try {
    BatchClient::Idle();
  } catch (...) {
    // An idle procedure is an outermost entry; the next call tries again.
  }
}

ASBool ImportBatchRouter() {
  HFT router = nullptr;
  HostCall("ImportBatchRouter", [&] { router = ASExtensionMgrGetHFT(ASAtomFromString("CALS_BPRouter"), 1); });
  BatchClient::SetRouter(router);
  BatchClient::Send(nullptr, kBatchHello, nullptr);
  return 1;
}

ASBool RegisterBatchIdleProc() {
  ClientState& s = S();
  if (s.idle) return 1;
  ASCallback idle = nullptr;
  HostCallQuietly([&] { idle = ASCallbackCreate(gExtensionID, reinterpret_cast<void*>(&BatchIdleProc)); });
  if (!idle) return 0;
  s.idle = idle;
  HostCall("RegisterBatchIdleProc", [&] { AVAppRegisterIdleProc(idle, nullptr, kIdlePeriod); });
  return 1;
}
