// A test module, built in several variants (see CMakeLists.txt). Every call
// it receives is appended, one line each, to "recorder.log" in the profile
// folder it is told (the working directory before that) as "<file name>|<entry>|<arguments...>", so the order across modules
// is one sequence. What it returns and which service it calls are read from
// "recorder.cfg" at each call: lines "<file name or *>|<entry>|<result>"
// (the entry may be "<entry>:<first argument>" to match one call only) and
// optionally "|<service>|<argument>|<argument>"; the service's result is
// logged as "<file name>|=<service>|<result>". A result "throw" throws a
// std::runtime_error instead of returning, "throw-int" an int.
#include <dlfcn.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "user_module.h"

namespace {

HostServices* g_host = nullptr;
ExtendedHostServices* g_extended = nullptr;
std::string g_folder;  // "" or the profile folder ending in '/'

std::string ModuleName()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleName), &info) == 0 || info.dli_fname == nullptr)
        return "?";
    const std::string path = info.dli_fname;
    return path.substr(path.rfind('/') + 1);
}

std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t bar = line.find('|', start);
        parts.push_back(line.substr(start, bar - start));
        if (bar == std::string::npos)
            return parts;
        start = bar + 1;
    }
}

void Log(const std::string& entry, const std::vector<std::string>& arguments)
{
    std::string line = ModuleName() + "|" + entry;
    for (const std::string& argument : arguments)
        line += "|" + argument;
    if (std::FILE* file = std::fopen((g_folder + "recorder.log").c_str(), "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

std::string Text(const char* text)
{
    return text != nullptr ? text : "<null>";
}

void CallService(const std::vector<std::string>& rule)
{
    const std::string& service = rule[3];
    const std::string a = rule.size() > 4 ? rule[4] : "", b = rule.size() > 5 ? rule[5] : "";
    const auto flag = [](bool value) { return std::string(value ? "true" : "false"); };
    std::string result = "done";
    if (service == "SendInputLine")
        g_host->SendInputLine(a.c_str(), b.c_str(), 1);
    else if (service == "PrintStatus")
        g_host->PrintStatus(a.c_str());
    else if (service == "PrintText")
        g_host->PrintText(a.c_str());
    else if (service == "GetOutputText")
        result = g_host->GetOutputText() != nullptr ? "text" : "<null>";
    else if (service == "EchoOutputText")  // the transcript's own text, handed straight back
        g_host->PrintStatus(g_host->GetOutputText());
    else if (service == "SendCommand")
        result = std::to_string(g_host->SendCommand(a == "<null>" ? nullptr : a.c_str()));
    else if (service == "AddOnlineName")
        result = flag(g_host->AddOnlineName(a.c_str()));
    else if (service == "RemoveOnlineName")
        result = flag(g_host->RemoveOnlineName(a.c_str()));
    else if (service == "Disconnect")
        g_host->Disconnect();
    else if (service == "SetAwayText")
        g_host->SetAwayText(a == "<null>" ? nullptr : a.c_str());
    else if (service == "RunCommand")
        result = g_extended != nullptr ? std::to_string(g_extended->RunCommand(a.c_str(), b.c_str())) : "none";
    else if (service == "ReportSaveFailure" && g_extended != nullptr)
        g_extended->ReportSaveFailure(a.c_str(), b.c_str());
    Log("=" + service, {result});
}

// Logs the call, then follows the first rule for this module and entry.
int Called(const std::string& entry, const std::vector<std::string>& arguments, int defaultResult)
{
    Log(entry, arguments);
    std::ifstream config(g_folder + "recorder.cfg");
    const std::string self = ModuleName();
    for (std::string line; std::getline(config, line);) {
        const std::vector<std::string> rule = Split(line);
        const bool entryMatches =
            rule.size() >= 3 && (rule[1] == entry || (!arguments.empty() && rule[1] == entry + ":" + arguments[0]));
        if (!entryMatches || (rule[0] != "*" && rule[0] != self))
            continue;
        if (rule.size() > 3 && g_host != nullptr)
            CallService(rule);
        if (rule[2] == "throw")
            throw std::runtime_error("bad\nday in " + entry);
        if (rule[2] == "throw-int")
            throw 7;
        return std::stoi(rule[2]);
    }
    return defaultResult;
}

}  // namespace

#ifdef RECORDER_UNDEFINED
// Declared, defined nowhere: the library builds (without --no-undefined) and
// cannot be loaded.
int MissingHelper(int value);
#endif

extern "C" {

int Initialize(void*, HostServices* host)
{
    g_host = host;
#ifdef RECORDER_REFUSES
    Log("Initialize", {"refused"});
    return 0;
#else
    return Called("Initialize", {}, 1);
#endif
}

#ifdef RECORDER_UNDEFINED
int Shutdown() { return MissingHelper(Called("Shutdown", {}, 0)); }
#else
int Shutdown() { return Called("Shutdown", {}, 0); }
#endif

int OnServerCommand(const char* command, const char* arguments)
{
    return Called("OnServerCommand", {Text(command), Text(arguments)}, 0);
}

int OnUserCommand(const char* word, const char* arguments)
{
    return Called("OnUserCommand", {Text(word), Text(arguments)}, 0);
}

#ifdef RECORDER_SUFFIXED
int OnSendIMZORVANE(const char* recipient, const char* text, int automatic)
#else
int OnSendIM(const char* recipient, const char* text, int automatic)
#endif
{
    return Called("OnSendIM", {Text(recipient), Text(text), std::to_string(automatic)}, 0);
}

#ifndef RECORDER_SUFFIXED
// Never bound while the plain name exists.
int OnSendIMZORVANE(const char*, const char*, int)
{
    return Called("OnSendIMZORVANE", {}, 0);
}
// The extended entry without its suffix is not the extended entry.
USER_MODULE_EXPORT int GetExtendedUser(ExtendedHostServices* host)
{
    g_extended = host;
    return Called("GetExtendedUser", {}, 0);
}
#endif

// Told before Initialize.
int SetProfileFolderZORVANE(const char* folder)
{
    g_folder = folder != nullptr && folder[0] != '\0' ? std::string(folder) + "/" : "";
    return Called("SetProfileFolderZORVANE", {Text(folder)}, 0);
}

// Optional: a message really went to the connection.
int OnSentIMZORVANE(const char* recipient, const char* text, int automatic)
{
    return Called("OnSentIM", {Text(recipient), Text(text), std::to_string(automatic)}, 0);
}

int OnReceiveIM(const char* sender, const char* text)
{
    return Called("OnReceiveIM", {Text(sender), Text(text)}, 0);
}

#ifndef RECORDER_WITHOUT_ONCONNECT
int OnConnect() { return Called("OnConnect", {}, 0); }
#endif

int OnDisconnect() { return Called("OnDisconnect", {}, 0); }

#ifdef RECORDER_DESCRIBED
// An identity with what a careless module might put there.
const UserModuleInfo* GetModuleInfoZORVANE()
{
    static const UserModuleInfo info = {"Rec\tName", nullptr, "line one\nline two", "/a: x\n\n   \n/b: y\r"};
    return &info;
}
#endif

#ifdef RECORDER_DECLARES
// Commands as a careless module might declare them: two words others have
// too (the client's /clear, user_shun's /block), then four malformed entries.
const UserModuleCommands* GetModuleCommandsZORVANE()
{
    static const UserModuleCommand commands[] = {
        {"block", "/block NAME: blocks too"}, {"clear", "wipes"},  {"rec", "records what it is given"},
        {nullptr, "nameless"},                {"two words", "x"}, {"REC", "again"}, {"ok", "one\nline"},
    };
    static const UserModuleCommands declared{sizeof(UserModuleCommands), sizeof(UserModuleCommand), 7, commands};
    return &declared;
}
#endif

#ifdef RECORDER_SUFFIXED
int GetExtendedUserZORVANE(ExtendedHostServices* host)
{
    g_extended = host;
    return Called("GetExtendedUserZORVANE", {}, 0);
}
#endif

}  // extern "C"
