// The six dispatch operations. Every loaded module is called, in load order,
// whatever the others returned; a module's service call may run a whole
// inner dispatch before the outer loop goes on (the table never changes
// during one: it is filled at start-up and emptied at exit; a module that
// fails only has its record cleared, after its call has returned). Past the
// nesting limit an event reaches no module, so a send there is refused: a
// module that would have vetoed it never saw it.
#include <cstdio>

#include "user_module_host.h"

template <typename Call>
bool UserModuleHost::ForEachModule(const char* entry, Call call)
{
    if (nesting_ >= kMaxNesting) {
        std::fprintf(stderr, "quenlo: user modules nest events more than %d deep; this one reaches none\n",
                     kMaxNesting);
        return false;
    }
    ++nesting_;
    for (int i = 0; i < userModuleCount_; ++i) {
        const UserModule& module = userModules_[static_cast<std::size_t>(i)];
        if (module.handle == nullptr)
            continue;
        // An exception must not cross into the client (it would end the
        // process): the module that threw is taken out, the others go on.
        try {
            call(module);
        } catch (...) {
            Disable(i, entry, CurrentExceptionText());
        }
    }
    --nesting_;
    return true;
}

void UserModuleHost::DispatchServerCommand(const char* command, const char* arguments)
{
    ForEachModule("OnServerCommand", [&](const UserModule& m) { m.OnServerCommand(command, arguments); });
}

int UserModuleHost::DispatchUserCommand(const char* word, const char* arguments)
{
    int handled = 0;
    ForEachModule("OnUserCommand", [&](const UserModule& m) {
        if (m.OnUserCommand(word, arguments) != 0)
            handled = 1;
    });
    return handled;
}

int UserModuleHost::DispatchSendIM(const char* recipient, const char* text, bool automatic)
{
    int result = 0;
    const bool reached = ForEachModule("OnSendIM", [&](const UserModule& m) {
        // A module that throws has not let the message go: it counts as a veto.
        const int before = result;
        result = -1;
        if (m.OnSendIM(recipient, text, automatic ? 1 : 0) != -1)
            result = before;
    });
    return reached ? result : -1;
}

void UserModuleHost::DispatchReceiveIM(const char* sender, const char* text)
{
    ForEachModule("OnReceiveIM", [&](const UserModule& m) { m.OnReceiveIM(sender, text); });
}

void UserModuleHost::DispatchSentIM(const char* recipient, const char* text, bool automatic)
{
    ForEachModule("OnSentIMZORVANE", [&](const UserModule& m) {
        if (m.OnSentIM != nullptr)
            m.OnSentIM(recipient, text, automatic ? 1 : 0);
    });
}

void UserModuleHost::DispatchConnect()
{
    ForEachModule("OnConnect", [](const UserModule& m) { m.OnConnect(); });
}

void UserModuleHost::DispatchDisconnect()
{
    ForEachModule("OnDisconnect", [](const UserModule& m) { m.OnDisconnect(); });
}
