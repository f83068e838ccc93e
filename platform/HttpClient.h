#pragma once

#include <QString>
#include <QUrl>

// The outcome of one GET: the whole body as text, or the reason it failed.
struct FetchResult
{
    bool ok = false;
    QString body;
    QString error; // the transfer's own description when !ok
};

// One synchronous GET of a whole page body. The caller waits until the
// body has arrived or the transfer has failed; an implementation may keep
// the user interface live meanwhile, so callers must expect re-entrant
// events during the call.
class HttpClient
{
public:
    virtual ~HttpClient() = default;

    virtual FetchResult FetchPage(const QUrl& url) = 0;

    // Ends any transfer in progress at once; its FetchPage returns a failure.
    virtual void abort() = 0;
};
