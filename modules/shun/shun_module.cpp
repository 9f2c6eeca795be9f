// user_shun: a block list kept in blocklst.cfg and put on the server's deny
// list at every sign-on, with the commands /block, /unblock and /blocklist.
#include <string>

#include "atomic_file.h"
#include "block_file.h"
#include "block_list.h"
#include "module_defaults.h"
#include "path_in_folder.h"
#include "settings_read.h"

namespace {

struct ShunState {
    HostServices* host = nullptr;
    ExtendedHostServices* extended = nullptr;
    shun::BlockList list;
    // Why blocklst.cfg is never written in this run (it was there but could
    // not be read, or was too big), or empty.
    std::string held;
    std::string saveFailure;       // why the last save failed, or empty
    bool unsaved = false;          // a change that is not in the file
    bool toldNotKept = false;      // the user has been told once
};

ShunState& State()
{
    static ShunState state;
    return state;
}

// The profile folder the client names before Initialize; without it, the
// working directory.
std::string& ProfileFolder()
{
    static std::string folder;
    return folder;
}

std::string BlockFilePath()
{
    return PathInFolder(ProfileFolder(), shun::kBlockFileName);
}

// Each change goes to the file at once, so a crash loses none. When it
// cannot, the user is told once why the list will not be kept.
void SaveChange(ShunState& state)
{
    state.unsaved = true;
    std::string why = state.held;
    if (why.empty()) {
        state.saveFailure = shun::SaveBlockFile(BlockFilePath(), state.list.Text());
        if (state.saveFailure.empty()) {
            state.unsaved = false;
            return;
        }
        why = "cannot write blocklst.cfg: " + state.saveFailure;
    }
    if (!state.toldNotKept && state.host != nullptr) {
        state.toldNotKept = true;
        state.host->PrintStatus(("The block list will not be kept after this run (" + why + ").").c_str());
    }
}

const UserModuleInfo* Info()
{
    static const UserModuleInfo info{"Block list", QUENLO_VERSION,
                                     "Keeps the users you block on the server's deny list.", nullptr};
    return &info;
}

constexpr UserModuleCommand kCommands[] = {
    {"block", "/block NAME: blocks NAME from now on, also after the next sign-on"},
    {"unblock", "/unblock NAME: lifts the block on NAME"},
    {"blocklist", "/blocklist: lists the blocked users"},
};

int TakeExtended(ExtendedHostServices* host)
{
    State().extended = host;
    return 1;
}

int TakeProfileFolder(const char* folder)
{
    ProfileFolder() = folder != nullptr ? folder : "";
    return 1;
}

int Start(void*, HostServices* host)
{
    ShunState& state = State();
    state = ShunState{};
    state.host = host;
    RemoveLeftTemporaries(BlockFilePath());
    shun::BlockFileContents file = shun::LoadBlockFile(BlockFilePath());
    switch (file.state) {
    case shun::BlockFileState::Loaded:
        state.list.SetText(std::move(file.text));
        break;
    case shun::BlockFileState::TooBig:
        state.held = "blocklst.cfg is too big";
        if (host != nullptr)
            host->PrintStatus("blocklst.cfg is too big!");
        break;
    case shun::BlockFileState::Unreadable:
        // The blocks in it are not in force: the user must know.
        state.held = "blocklst.cfg could not be read: " + file.why;
        if (host != nullptr)
            host->PrintStatus(CannotReadMessage(shun::kBlockFileName, file.why).c_str());
        break;
    case shun::BlockFileState::Missing:
        break;
    }
    return 1;
}

int Stop()
{
    ShunState& state = State();
    if (state.unsaved) {
        std::string why = state.held;
        if (why.empty()) {
            state.saveFailure = shun::SaveBlockFile(BlockFilePath(), state.list.Text());
            why = state.saveFailure;
        } else {
            why = "not written, because " + why;
        }
        // The client tells it as it tells its own files' failures.
        if (!why.empty() && state.extended != nullptr)
            state.extended->ReportSaveFailure(shun::kBlockFileName, why.c_str());
    }
    state.host = nullptr;
    state.extended = nullptr;
    return 1;
}

int Command(const char* word, const char* arguments)
{
    ShunState& state = State();
    if (state.host == nullptr || word == nullptr)
        return 0;
    const bool handled = state.list.HandleCommand(word, arguments != nullptr ? arguments : "", *state.host,
                                                  [&state] { SaveChange(state); });
    return handled ? 1 : 0;
}

// Nothing the client sends on its own goes to a blocked user: an away
// reply would tell them the user is there.
int Sending(const char* recipient, const char*, int automatic)
{
    const ShunState& state = State();
    return automatic != 0 && recipient != nullptr && state.list.Lists(recipient) ? -1 : 0;
}

int Connected()
{
    ShunState& state = State();
    if (state.host != nullptr)
        state.list.SendServerState(*state.host);
    return 0;
}

}  // namespace

QUENLO_USER_MODULE({
    .SetProfileFolder = TakeProfileFolder,
    .Initialize = Start,
    .GetExtendedUser = TakeExtended,
    .GetModuleInfo = Info,
    .Commands = kCommands,
    .OnUserCommand = Command,
    .OnSendIM = Sending,
    .OnConnect = Connected,
    .Shutdown = Stop,
});
