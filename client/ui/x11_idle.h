// The X11 screen-saver extension's idle time, kept apart from Qt's headers
// (Xlib's macros clash with them).
#pragma once

#include <cstdint>

class X11IdleQuery {
public:
    // display: an Xlib Display*, not taken over; null or no extension: !Ok().
    explicit X11IdleQuery(void* display);
    ~X11IdleQuery();
    X11IdleQuery(const X11IdleQuery&) = delete;
    X11IdleQuery& operator=(const X11IdleQuery&) = delete;

    bool Ok() const { return info_ != nullptr; }
    // Milliseconds since the last input on the display; -1 when unknown.
    std::int64_t IdleMs() const;

private:
    void* display_;
    void* info_ = nullptr;
};
