// user_shun: a block list kept in blocklst.cfg and put on the server's deny
// list at every sign-on, with the commands /block, /unblock and /blocklist.
#include "block_file.h"
#include "block_list.h"
#include "user_module.h"

namespace {

struct ShunState {
    HostServices* host = nullptr;
    shun::BlockList list;
    // A file that was refused or could not be read is never written over.
    bool saveAtExit = true;
};

ShunState& State()
{
    static ShunState state;
    return state;
}

}  // namespace

extern "C" {

int Initialize(void*, HostServices* host)
{
    ShunState& state = State();
    state = ShunState{};
    state.host = host;
    shun::BlockFileContents file = shun::LoadBlockFile(shun::kBlockFileName);
    switch (file.state) {
    case shun::BlockFileState::Loaded:
        state.list.SetText(std::move(file.text));
        break;
    case shun::BlockFileState::TooBig:
        state.saveAtExit = false;
        if (host != nullptr)
            host->PrintStatus("blocklst.cfg is too big!");
        break;
    case shun::BlockFileState::Unreadable:
        state.saveAtExit = false;
        break;
    case shun::BlockFileState::Missing:
        break;
    }
    return 1;
}

int Shutdown()
{
    ShunState& state = State();
    if (state.saveAtExit)
        shun::SaveBlockFile(shun::kBlockFileName, state.list.Text());
    state.host = nullptr;
    return 1;
}

int OnServerCommand(const char*, const char*)
{
    return 0;
}

int OnUserCommand(const char* word, const char* arguments)
{
    ShunState& state = State();
    if (state.host == nullptr || word == nullptr)
        return 0;
    return state.list.HandleCommand(word, arguments != nullptr ? arguments : "", *state.host) ? 1 : 0;
}

int OnSendIM(const char*, const char*, int)
{
    return 0;
}

int OnReceiveIM(const char*, const char*)
{
    return 0;
}

int OnConnect()
{
    ShunState& state = State();
    if (state.host != nullptr)
        state.list.SendDenyList(*state.host);
    return 0;
}

int OnDisconnect()
{
    return 0;
}

}  // extern "C"
