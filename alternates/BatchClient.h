// The client of another vendor's batch router: it says hello when the
// router is there, answers the router's query with the three actions, takes
// one job at a time and runs it from an idle procedure on the active
// document, then reports the job's end. The router and the client exchange
// fixed-size little-endian records by address.
#pragma once
#include <cstddef>

#include "host/calls.h"

struct BatchIdentity {
  ASUns32 size;  // 524
  char kind[4];  // "EVLS"
  ASUns32 version;
  char name[256];
  char displayName[256];
};

// A growable list in moveable memory: entries back to back.
struct NameList {
  ASUns32 handle;  // 0: none
  ASUns32 used;    // bytes

  static bool Reserve(NameList* list, ASUns32 bytes);
  // A name as a 32-byte entry (zero-padded, byte 31 zero).
  static bool Append(NameList* list, const char* name);
  // A type code as a 4-byte entry.
  static bool AppendCode(NameList* list, const char* code);
  static void* Lock(NameList* list);
  static void Unlock(NameList* list);
};

struct BatchQuery {
  ASUns32 size;  // 2060
  NameList actions;
  unsigned char router[1024];  // the router's, untouched
  NameList types[3];
  unsigned char rest[1000];
};

struct BatchRunRequest {
  ASUns32 size;  // 776
  char action[512];
  unsigned char datum[260];  // the router's; its address goes back in each status
};

struct BatchResult {
  ASUns32 size;  // 268
  ASUns32 errorFlag;  // 0 success, 16 the job failed
  char message[256];
  unsigned char reserved[4];
};

static_assert(sizeof(BatchIdentity) == 524 && offsetof(BatchIdentity, displayName) == 268, "identity layout");
static_assert(sizeof(BatchQuery) == 2060 && offsetof(BatchQuery, types) == 1036, "query layout");
static_assert(sizeof(BatchRunRequest) == 776 && offsetof(BatchRunRequest, datum) == 516, "run layout");
static_assert(sizeof(BatchResult) == 268, "result layout");

enum : ASUns32 {
  kBatchHello = 0x42434901,
  kBatchQuery = 0x42434902,
  kBatchRun = 0x42434903,
  kBatchDone = 0x42434904,
  kBatchDoneWithError = 0x42434905,
  kBatchStatus = 0x42434906,
};

typedef ASUns32 (*BatchQueryHandler)(BatchQuery* query);
typedef void (*BatchRunHandler)(const BatchRunRequest* request, BatchResult* result);
// Selector 1 of the router's table and of the client's.
typedef ASUns32 (*BatchSendProc)(const BatchIdentity* sender, const BatchIdentity* receiver, ASUns32 code,
                                 void* data);

class BatchClient {
 public:
  // Fills the identity and offers the client's table under `name`.
  static ASBool Register(const char* name, const char* displayName, BatchQueryHandler query, BatchRunHandler run);
  // How the router reaches the client: 0 accepted, else the refusal.
  static ASUns32 Dispatch(const BatchIdentity* sender, const BatchIdentity* receiver, ASUns32 code, void* data);
  static ASUns32 HandleQuery(BatchQuery* query);
  static ASUns32 QueueRun(const BatchIdentity* sender, const BatchRunRequest* request);
  static void RunQueued();
  // One idle call: runs the queued job, or reports the one that ran.
  static void Idle();
  static void ReportStatus(void* datum);
  static const BatchIdentity& Identity();
  // The router's table, once imported (none without a router).
  static void SetRouter(HFT router);
  static void Send(const BatchIdentity* receiver, ASUns32 code, void* data);
};

ASUns32 BatchQueryActions(BatchQuery* query);
void BatchRunAction(const BatchRunRequest* request, BatchResult* result);
// Sends the status of the job under way with the datum's address.
void BatchReportStatus(void* datum);
void BatchIdleProc(void* clientData);
// Imports the router and says hello; true.
ASBool ImportBatchRouter();
// Registers the idle procedure once (period 30); false when its callback
// cannot be made.
ASBool RegisterBatchIdleProc();
