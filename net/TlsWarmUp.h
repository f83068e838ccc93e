#pragma once

#include <memory>

class QThread;

// Loads the TLS library and its configuration on a worker thread, so that
// the first request over HTTPS does not pay for it on the user's click.
// The destructor waits for a worker that was started.
class TlsWarmUp final
{
public:
    TlsWarmUp();
    ~TlsWarmUp();

    void start();

    TlsWarmUp(const TlsWarmUp&) = delete;
    TlsWarmUp& operator=(const TlsWarmUp&) = delete;

private:
    std::unique_ptr<QThread> m_worker;
};
