// The client's one object implementing the protocol library's callbacks.
#pragma once

#include "tocwire.h"

struct ClientContext;

class ClientCallbacks final : public ProtocolCallbacks {
public:
    explicit ClientCallbacks(ClientContext& ctx) : ctx_(ctx) {}
    int OnSignonError(const char* errorText) override;
    int OnServerError(const char* errorText) override;
    void OnServerMessage(const char* command, const char* arguments) override;
    int OnSignonDone() override;
    void OnStatusChange(int status) override;

private:
    ClientContext& ctx_;
};
