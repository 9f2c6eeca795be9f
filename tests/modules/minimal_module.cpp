// The smallest valid module: every entry point, no behaviour. Tests copy it
// hundreds of times to fill the module table.
#include "user_module.h"

extern "C" {
int Initialize(void*, HostServices*) { return 1; }
int Shutdown() { return 0; }
int OnServerCommand(const char*, const char*) { return 0; }
int OnUserCommand(const char*, const char*) { return 0; }
int OnSendIM(const char*, const char*, int) { return 0; }
int OnReceiveIM(const char*, const char*) { return 0; }
int OnConnect() { return 0; }
int OnDisconnect() { return 0; }
}
