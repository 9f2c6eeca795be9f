#pragma once

namespace tocwire {

// A modal box captioned "Protocol Module" over the owner window; standard
// error when there is no GUI application (a console host or a test).
void ShowProtocolMessage(void* ownerWindow, const char* text);

}  // namespace tocwire
