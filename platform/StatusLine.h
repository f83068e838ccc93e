#pragma once

#include <QString>

// The main window's one-line progress display.
class StatusLine
{
public:
    virtual ~StatusLine() = default;
    virtual void setStatus(const QString& text) = 0;
};
