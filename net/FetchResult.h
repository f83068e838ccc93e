#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>

// The outcome of one GET. A response that arrived whole is a page whatever
// its status; only a transfer that never completed is a failure.
struct FetchResult
{
    bool ok = false;
    QByteArray body;      // the bytes as received, when ok
    QString text;         // the body decoded by its charset, else as Latin-1
    int status = 0;       // the HTTP status, 0 when none arrived
    QString reasonPhrase; // the status line's words, as the server sent them
    QString error;        // what went wrong, when !ok
    QUrl url;             // the address asked for
    // When the server asked for a pause and the request waits it out
    // rather than being sent: until when. Invalid otherwise.
    QDateTime heldUntil;
    // The answer came from the program's own cache, unchanged since it was
    // stored (fresh, or confirmed by the server with 304 Not Modified).
    bool fromCache = false;

    static FetchResult failure(const QUrl& url, const QString& error)
    {
        FetchResult result;
        result.url = url;
        result.error = error;
        return result;
    }
    static FetchResult page(const QUrl& url, const QString& text)
    {
        FetchResult result;
        result.ok = true;
        result.url = url;
        result.text = text;
        result.body = text.toUtf8();
        result.status = 200;
        return result;
    }
};
