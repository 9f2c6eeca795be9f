// Which proxy the connection goes through, as the host hands it over
// (TOC_SetProxy). Kind values are the export's (tocwire.h).
#pragma once

#include <string>

#include "tocwire.h"

namespace tocwire {

struct ProxySetting {
    int kind = TOC_PROXY_NONE;
    std::string host;
    int port = 0;
    std::string user;
    std::string password;

    bool Used() const { return kind != TOC_PROXY_NONE; }
};

}  // namespace tocwire
