#pragma once

#include "Yielder.h"

// Yields to the running Qt event loop of the calling thread.
class EventLoopYielder final : public Yielder
{
public:
    void yield() override;
};
