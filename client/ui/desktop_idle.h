// How long the desktop session has had no input: the X11 screen-saver
// extension where the display is X11, else GNOME's or the freedesktop
// D-Bus idle monitor, else the input the client's own windows saw. It
// feeds the client's IdleReport and looks at it on a timer; input seen in
// the client's windows is looked at at once, so the server hears of the
// user's return without waiting for the timer.
#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

#include "signon_presence.h"


class DesktopIdle final : public QObject {
public:
    DesktopIdle(SessionState& session, IdleReport& idle);
    ~DesktopIdle() override;

    // Seconds without input, from the best source there is.
    std::int64_t IdleSeconds() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Sources;
    SessionState& session_;
    IdleReport& idle_;
    std::unique_ptr<Sources> sources_;
    IdleWatch watch_;
};
