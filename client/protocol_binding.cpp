#include "protocol_binding.h"

#include <dlfcn.h>

namespace {

template <typename Fn>
bool BindOne(void* handle, const char* name, Fn& slot)
{
    slot = reinterpret_cast<Fn>(dlsym(handle, name));
    return slot != nullptr;
}

}  // namespace

bool BindProtocolLibrary(ProtocolApi& api, const char* libraryName)
{
    ReleaseProtocolLibrary(api);
    // Called from the executable's own code, so its RUNPATH applies.
    api.handle = dlopen(libraryName, RTLD_NOW | RTLD_LOCAL);
    if (api.handle == nullptr)
        return false;
    const bool all = BindOne(api.handle, "MaintainLoop", api.MaintainLoop) &&
                     BindOne(api.handle, "TOC_Establish", api.TOC_Establish) &&
                     BindOne(api.handle, "TOC_Disconnect", api.TOC_Disconnect) &&
                     BindOne(api.handle, "TOC_Send", api.TOC_Send) &&
                     BindOne(api.handle, "TOC_Init", api.TOC_Init) &&
                     BindOne(api.handle, "TOC_Shutdown", api.TOC_Shutdown);
    if (!all) {
        ReleaseProtocolLibrary(api);
        return false;
    }
    BindOne(api.handle, "TOC_SetSignonTimeLimit", api.TOC_SetSignonTimeLimit);
    BindOne(api.handle, "TOC_SetQuiet", api.TOC_SetQuiet);
    BindOne(api.handle, "TOC_LastConnectError", api.TOC_LastConnectError);
    BindOne(api.handle, "TOC_SetProxy", api.TOC_SetProxy);
    return true;
}

void ReleaseProtocolLibrary(ProtocolApi& api)
{
    if (api.handle != nullptr)
        dlclose(api.handle);
    api = ProtocolApi{};
}
