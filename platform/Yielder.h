#pragma once

// A yield to the window message loop: pending events of the user-interface
// thread are processed (repaints, clicks, timer ticks), then the caller goes on.
class Yielder
{
public:
    virtual ~Yielder() = default;
    virtual void yield() = 0;
};
