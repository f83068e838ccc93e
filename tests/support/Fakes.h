#pragma once

#include "HttpClient.h"
#include "StatusLine.h"
#include "Yielder.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QUrl>
#include <functional>

// Records every status text in order.
class RecordingStatusLine final : public StatusLine
{
public:
    void setStatus(const QString& text) override { texts.append(text); }
    QString current() const { return texts.isEmpty() ? QString() : texts.constLast(); }
    QStringList texts;
};

// Counts yields; an optional action runs at each one.
class CountingYielder final : public Yielder
{
public:
    void yield() override
    {
        ++count;
        if (onYield)
            onYield();
    }
    int count = 0;
    std::function<void()> onYield;
};

// Serves canned results by URL path and records every request.
class FakeHttpClient final : public HttpClient
{
public:
    FetchResult FetchPage(const QUrl& url) override
    {
        requests.append(url);
        if (onFetch)
            onFetch(url);
        const auto found = pages.constFind(url.path());
        if (found != pages.constEnd())
            return *found;
        return fallback;
    }
    void abort() override { ++aborts; }

    void servePage(const QString& path, const QString& body)
    {
        pages.insert(path, FetchResult{true, body, {}});
    }
    void failPage(const QString& path, const QString& error)
    {
        pages.insert(path, FetchResult{false, {}, error});
    }

    QMap<QString, FetchResult> pages;
    FetchResult fallback{false, {}, QStringLiteral("Host not found")};
    QList<QUrl> requests;
    int aborts = 0;
    std::function<void(const QUrl&)> onFetch;
};
