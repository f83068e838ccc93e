#pragma once

#include <memory>

class QThread;

// Fills Qt's font database on a worker thread while the main thread goes
// on building its windows. Filling it (reading the system's font
// configuration and listing every installed font) is the largest single
// cost of showing the first text; font queries made meanwhile simply wait
// for the worker.
//
// Construct it once the QGuiApplication exists; the destructor waits for
// the worker, so the object must not outlive the application.
class FontWarmUp final
{
public:
    FontWarmUp();
    ~FontWarmUp();

    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

private:
    std::unique_ptr<QThread> m_worker;
};
