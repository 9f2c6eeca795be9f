// The six dispatch operations that give every loaded user module its turn at
// each event, in load order. The module loader fills the table; until it
// does, every dispatch reaches nobody.
#pragma once

class ModuleDispatch {
public:
    void DispatchServerCommand(const char* command, const char* arguments);
    int DispatchUserCommand(const char* word, const char* argument);          // 1 if a module took it
    int DispatchSendIM(const char* recipient, const char* text, bool automatic);  // -1: vetoed
    void DispatchReceiveIM(const char* sender, const char* text);
    void DispatchConnect();
    void DispatchDisconnect();
    int LoadedCount() const { return loadedCount_; }

private:
    int loadedCount_ = 0;
};
