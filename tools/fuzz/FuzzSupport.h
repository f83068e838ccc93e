#pragma once

#include "HttpClient.h"
#include "ModuleState.h"
#include "ServerHosts.h"
#include "StatusLine.h"
#include "WeatherService.h"
#include "Yielder.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>

// A broken invariant must stop the run with a crash libFuzzer records; a
// message first, so the report says which one.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #condition);           \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace fuzz {

// Every byte is one character, so all 256 values reach the code as they
// would from a page served in Latin-1.
inline QString latin1(const std::uint8_t* data, std::size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// Serves one body for every address and remembers what was asked for.
class ServingClient final : public HttpClient
{
public:
    explicit ServingClient(FetchResult result) : m_result(std::move(result)) {}

    FetchResult FetchPage(const QUrl& url) override
    {
        ++requests;
        lastUrl = url;
        return m_result;
    }
    void abort() override {}

    int requests = 0;
    QUrl lastUrl;

private:
    FetchResult m_result;
};

class LastStatus final : public StatusLine
{
public:
    void setStatus(const QString& text) override { last = text; }
    QString last;
};

class CountingYielder final : public Yielder
{
public:
    void yield() override { ++count; }
    int count = 0;
};

// The weather routines over a client that serves `result` for every
// address, with their own status line, yielder and module state.
struct ServiceRig
{
    explicit ServiceRig(FetchResult result) : http(std::move(result)) {}

    ServingClient http;
    LastStatus status;
    CountingYielder yielder;
    ModuleState state;
    WeatherService service{
        http, status, yielder, state,
        ServerHosts{QStringLiteral("127.0.0.1:8080"), QStringLiteral("127.0.0.1:8081"), {}}};
};

// A request address built from outside text must stay one GET of one path:
// no query, fragment, extra segment or line break may come from the text,
// and the text must arrive at the server intact once the path is decoded.
inline void checkRequestAddress(const QUrl& url, const QString& prefix, const QString& code,
                                const QString& suffix)
{
    if (!url.isValid())
        return;
    FUZZ_CHECK(url.scheme() == QLatin1String("http"));
    FUZZ_CHECK(!url.hasQuery());
    FUZZ_CHECK(!url.hasFragment());
    const QString path = url.path(QUrl::FullyEncoded);
    FUZZ_CHECK(path.startsWith(prefix));
    FUZZ_CHECK(path.endsWith(suffix));
    FUZZ_CHECK(path.count(QLatin1Char('/')) ==
               prefix.count(QLatin1Char('/')) + suffix.count(QLatin1Char('/')));
    FUZZ_CHECK(url.path(QUrl::FullyDecoded) == prefix + code + suffix);
    const QByteArray wire = url.toEncoded();
    for (const char c : wire)
        FUZZ_CHECK(c > ' ' && c < 0x7f);
}

} // namespace fuzz
