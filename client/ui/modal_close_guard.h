// A close request that arrives while a modal box or dialog runs its own
// event loop (a "Protocol Module" box, a settings dialog) must not tear the
// client down under that loop: the protocol library's frames may be on the
// stack below it, and releasing the library would pull the code out from
// under them. The guard closes the modal widgets first and lets the close go
// ahead only once their loops have returned.
#pragma once

#include <QTimer>
#include <functional>

// Closes the open modal boxes and dialogs, the topmost first (a dialog is
// rejected); one that refuses to close ends the walk. Their event loops
// return once control is back in the loop below them.
void CloseModalWidgets();

class ModalCloseGuard {
public:
    // retry runs (on the event loop) once the close may go ahead.
    explicit ModalCloseGuard(std::function<void()> retry);
    ModalCloseGuard(const ModalCloseGuard&) = delete;
    ModalCloseGuard& operator=(const ModalCloseGuard&) = delete;

    // True when the close may go ahead now. Otherwise the modal widgets are
    // being closed and retry runs later.
    bool MayCloseNow();
    bool Waiting() const { return waiting_; }

private:
    void Check();

    std::function<void()> retry_;
    QTimer timer_;
    bool waiting_ = false;
    int lastLoopLevel_ = 0;
};
