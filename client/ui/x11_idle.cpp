#include "x11_idle.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

X11IdleQuery::X11IdleQuery(void* display) : display_(display)
{
    int eventBase = 0;
    int errorBase = 0;
    if (display_ != nullptr && XScreenSaverQueryExtension(static_cast<Display*>(display_), &eventBase, &errorBase))
        info_ = XScreenSaverAllocInfo();
}

X11IdleQuery::~X11IdleQuery()
{
    if (info_ != nullptr)
        XFree(info_);
}

std::int64_t X11IdleQuery::IdleMs() const
{
    if (info_ == nullptr)
        return -1;
    auto* display = static_cast<Display*>(display_);
    auto* info = static_cast<XScreenSaverInfo*>(info_);
    if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info) == 0)
        return -1;
    return static_cast<std::int64_t>(info->idle);
}
