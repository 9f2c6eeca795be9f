// The services the client offers its user modules, over its own operations.
// One of each per client, alive for the whole run.
#pragma once

#include <string>

#include "user_module.h"

struct ClientContext;

class ClientHostServices final : public HostServices {
public:
    explicit ClientHostServices(ClientContext& ctx) : ctx_(ctx) {}

    void SendInputLine(const char* recipient, const char* text, int reserved) override;
    void PrintStatus(const char* text) override;
    void PrintText(const char* text) override;
    const char* GetOutputText() override;
    int SendCommand(const char* text) override;
    bool AddOnlineName(const char* name) override;
    bool RemoveOnlineName(const char* name) override;
    void Disconnect() override;
    void SetAwayText(const char* text) override;

private:
    ClientContext& ctx_;
};

class ClientExtendedHostServices final : public ExtendedHostServices {
public:
    explicit ClientExtendedHostServices(ClientContext& ctx) : ctx_(ctx) {}

    int RunCommand(const char* word, const char* arguments) override;
    void ReportSaveFailure(const char* file, const char* why) override;

private:
    ClientContext& ctx_;
};

// The installed module folder for the program at this path: beside its
// library folder (lib/quenlo/modules in the build tree, the install's own
// library folder when installed). Empty when neither exists.
std::string InstalledModuleFolder(const std::string& executablePath);

// Binds the modules to the client and loads them from the profile folder's
// "modules" and then from ctx.modules.installedFolder.
void LoadClientModules(ClientContext& ctx);
