// Binding the protocol library by name: the six entry points in their fixed
// order. The library counts as bound only while all six are. The optional
// ones (sign-on time limit, quiet attempts, last connect error, proxy) are
// bound when the library has them.
#pragma once

#include "tocwire.h"

struct ProtocolApi {
    void* handle = nullptr;
    MaintainLoopFn MaintainLoop = nullptr;
    TOC_EstablishFn TOC_Establish = nullptr;
    TOC_DisconnectFn TOC_Disconnect = nullptr;
    TOC_SendFn TOC_Send = nullptr;
    TOC_InitFn TOC_Init = nullptr;
    TOC_ShutdownFn TOC_Shutdown = nullptr;
    TOC_SetSignonTimeLimitFn TOC_SetSignonTimeLimit = nullptr;  // optional
    TOC_SetQuietFn TOC_SetQuiet = nullptr;                      // optional
    TOC_LastConnectErrorFn TOC_LastConnectError = nullptr;      // optional
    TOC_SetProxyFn TOC_SetProxy = nullptr;                      // optional

    bool Bound() const { return handle != nullptr; }
};

inline constexpr const char* kProtocolLibraryName = "libtocwire.so";

// Loads the library by its bare name (found through the executable's RUNPATH
// and the normal search order) and binds the six names in table order.
bool BindProtocolLibrary(ProtocolApi& api, const char* libraryName = kProtocolLibraryName);
void ReleaseProtocolLibrary(ProtocolApi& api);
