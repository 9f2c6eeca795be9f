#include "module_dispatch.h"

// No module table exists yet: every operation reaches nobody and reports
// that no module acted.
void ModuleDispatch::DispatchServerCommand(const char*, const char*) {}
int ModuleDispatch::DispatchUserCommand(const char*, const char*) { return 0; }
int ModuleDispatch::DispatchSendIM(const char*, const char*, bool) { return 0; }
void ModuleDispatch::DispatchReceiveIM(const char*, const char*) {}
void ModuleDispatch::DispatchConnect() {}
void ModuleDispatch::DispatchDisconnect() {}
