#pragma once

#include <QObject>
#include <QString>

// An embedded viewer for one picture fetched by URL.
class PageViewer
{
public:
    virtual ~PageViewer() = default;

    // Starts loading and returns at once; a newer call supersedes a load
    // still running.
    virtual void Navigate(const QString& url) = 0;

    // True while a load is in progress.
    virtual bool Busy() const = 0;

    // Size in twips.
    virtual void setSizeTwips(int width, int height) = 0;

    // The object that emits DownloadComplete() each time a download ends,
    // failed ones included.
    virtual QObject* notifier() = 0;
};
