// Call wrappers of the plug-in side: each host operation by its role name,
// reached through the table the plug-in imported. Nothing here touches the
// host directly.
#pragma once
#include "host/procs.h"

extern HFT gCoreHFT;
extern HFT gCosHFT;
extern HFT gPDModelHFT;
extern HFT gAcroViewHFT;
extern HFT gAcroSupportHFT;
extern HFT gWindowsHFT;
extern HFT gWinHFT;
extern HFT gASExtraHFT;
extern HFT gSweetPeaHFT;
extern HFT gPagePDEContentHFT;
extern HFT gPDFEditReadHFT;
extern HFT gPDFEditWriteHFT;

#define HOST_WRAP_(hft, prefix, sel, name, ret, params, args) \
  typedef ret(*prefix##name##_Proc) params;                   \
  inline ret prefix##name params { return HFTProc<prefix##name##_Proc>(hft, sel::name) args; }

#define HOST_WRAP_CORE(name, ret, params, args) HOST_WRAP_(gCoreHFT, AS, CoreSel, name, ret, params, args)
#define HOST_WRAP_COS(name, ret, params, args) HOST_WRAP_(gCosHFT, Cos, CosSel, name, ret, params, args)
#define HOST_WRAP_PD(name, ret, params, args) HOST_WRAP_(gPDModelHFT, PD, PDModelSel, name, ret, params, args)
#define HOST_WRAP_AV(name, ret, params, args) HOST_WRAP_(gAcroViewHFT, AV, AcroViewSel, name, ret, params, args)
#define HOST_WRAP_SUPPORT(name, ret, params, args) \
  HOST_WRAP_(gAcroSupportHFT, AS, AcroSupportSel, name, ret, params, args)

HOST_CORE_PROCS(HOST_WRAP_CORE)
HOST_COS_PROCS(HOST_WRAP_COS)
HOST_PDMODEL_PROCS(HOST_WRAP_PD)
HOST_PDMODEL_RESOURCE_PROCS(HOST_WRAP_PD)
HOST_PDMODEL_ALTERNATE_PROCS(HOST_WRAP_PD)
HOST_ACROVIEW_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_PROGRESS_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_MARK_DRAW_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_DIALOG_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_CHOOSER_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_TOOL_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_GEOMETRY_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_INPUT_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_OVERLAY_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_WINDOW_PROCS(HOST_WRAP_AV)
HOST_ACROVIEW_PREFERENCE_PROCS(HOST_WRAP_AV)
HOST_ACROSUPPORT_PROCS(HOST_WRAP_SUPPORT)
HOST_ACROSUPPORT_REPLACE_PROCS(HOST_WRAP_SUPPORT)
HOST_ACROSUPPORT_SERVER_PROCS(HOST_WRAP_SUPPORT)
HOST_ACROVIEW_IDLE_PROCS(HOST_WRAP_AV)
#define HOST_WRAP_WIN(name, ret, params, args) HOST_WRAP_(gWindowsHFT, Win, WindowsSel, name, ret, params, args)
HOST_WINDOWS_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_UI_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_RESOURCE_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_BITMAP_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_PUMP_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_CHOOSER_PROCS(HOST_WRAP_WIN)
HOST_WINDOWS_MEMORY_PROCS(HOST_WRAP_WIN)
#define HOST_WRAP_WINAPP(name, ret, params, args) HOST_WRAP_(gWinHFT, Win, WinSel, name, ret, params, args)
HOST_WIN_PROCS(HOST_WRAP_WINAPP)
#define HOST_WRAP_ASEXTRA(name, ret, params, args) HOST_WRAP_(gASExtraHFT, AS, ASExtraSel, name, ret, params, args)
HOST_ASEXTRA_PROCS(HOST_WRAP_ASEXTRA)
#define HOST_WRAP_SWEETPEA(name, ret, params, args) \
  HOST_WRAP_(gSweetPeaHFT, SweetPea, SweetPeaSel, name, ret, params, args)
HOST_SWEETPEA_PROCS(HOST_WRAP_SWEETPEA)

#define HOST_WRAP_PAGEPDE(name, ret, params, args) \
  HOST_WRAP_(gPagePDEContentHFT, PDEdit, PagePDEContentSel, name, ret, params, args)
HOST_PAGEPDECONTENT_PROCS(HOST_WRAP_PAGEPDE)
#define HOST_WRAP_EDITREAD(name, ret, params, args) \
  HOST_WRAP_(gPDFEditReadHFT, PDEdit, PDFEditReadSel, name, ret, params, args)
HOST_PDFEDITREAD_PROCS(HOST_WRAP_EDITREAD)
#define HOST_WRAP_EDITWRITE(name, ret, params, args) \
  HOST_WRAP_(gPDFEditWriteHFT, PDEdit, PDFEditWriteSel, name, ret, params, args)
HOST_PDFEDITWRITE_PROCS(HOST_WRAP_EDITWRITE)

typedef void (*ASRaise_Proc)(ASErrorCode code);
[[noreturn]] inline void ASRaise(ASErrorCode code) {
  HFTProc<ASRaise_Proc>(gCoreHFT, CoreSel::Raise)(code);
  throw ASHostRaise{code};  // the host always throws; this keeps the promise
}
