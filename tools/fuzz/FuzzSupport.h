#pragma once

#include "app/ForecastText.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QByteArray>
#include <QLabel>
#include <QPlainTextEdit>
#include <QString>
#include <QTextCursor>
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

// What the window does with a text, run the way the window runs it: a
// value into a label, a forecast into the box by its pieces, each laid out
// and drawn. A text that would stall the window shows up as a time-out.
class Display
{
public:
    static Display& instance()
    {
        static Display display;
        return display;
    }

    void showValue(const QString& value)
    {
        m_label.setText(QLatin1Char(' ') + ForecastText::shownValue(value));
        m_label.grab();
    }

    // Fills the box as the window does and answers what it then holds.
    QString showForecast(const QString& forecast)
    {
        const QStringList pieces = ForecastText::pieces(forecast);
        m_box.setPlainText(pieces.value(0));
        QTextCursor cursor(m_box.document());
        for (qsizetype next = 1; next < pieces.size(); ++next) {
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(pieces[next]);
        }
        m_box.grab();
        return m_box.toPlainText();
    }

private:
    Display() : m_application(argumentCount(), arguments())
    {
        m_label.resize(465, 20);
        m_box.resize(465, 105);
    }

    static int& argumentCount()
    {
        static int count = 1;
        return count;
    }
    static char** arguments()
    {
        static char name[] = "fuzz";
        static char* values[] = {name, nullptr};
        // Headless, whatever the environment says.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return values;
    }

    QApplication m_application;
    QLabel m_label;
    QPlainTextEdit m_box;
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
