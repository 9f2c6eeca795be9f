// The user modules: their host (loading, dispatch), the services the client
// offers them, and the installed folder searched after the profile's.
#pragma once

#include <string>

#include "host_services.h"
#include "user_module_host.h"

struct ClientContext;

struct ModuleState {
    explicit ModuleState(ClientContext& ctx) : services(ctx), extendedServices(ctx) {}
    ModuleState(const ModuleState&) = delete;
    ModuleState& operator=(const ModuleState&) = delete;

    UserModuleHost host;
    ClientHostServices services;
    ClientExtendedHostServices extendedServices;
    std::string installedFolder;  // searched after the profile's "modules"; empty: none
    // The client is closing: a module's ReportSaveFailure joins the
    // settings' saveFailures.
    bool unloading = false;  // the modules' Shutdown calls are running
};
