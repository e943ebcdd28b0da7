// The handshake between the host and a plug-in. The host calls the plug-in's
// exported PlugInMain with the record below; the plug-in imports its tables
// through the Core table and fills in its name and four callbacks.
#pragma once
#include "host/hft.h"

typedef ASAtom (*PIGetExtensionNameProc)(void);
typedef ASBool (*PIHandshakeProc)(void);

#define PI_HANDSHAKE_VERSION 0x00020000u

typedef struct _t_PIHandshake {
  ASUns32 size;              // sizeof(PIHandshake), set by the host
  ASUns32 handshakeVersion;  // PI_HANDSHAKE_VERSION
  ASUns32 hostVersion;       // HFT_VERSION(major, minor) of the host application
  ASUns32 extension;         // the plug-in's extension identifier
  HFT coreHFT;               // the Core table; every other table is imported through it
  // filled by the plug-in
  PIGetExtensionNameProc getExtensionName;
  PIHandshakeProc exportHFTs;
  PIHandshakeProc importReplaceAndRegister;
  PIHandshakeProc init;
  PIHandshakeProc unload;
} PIHandshake;

extern "C" {
typedef ASBool (*PlugInMainProc)(PIHandshake* handshake);
}
#define PI_MAIN_NAME "PlugInMain"
