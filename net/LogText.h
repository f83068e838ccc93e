#pragma once

#include <QString>
#include <QStringView>

// Text from outside (a server's reason phrase or problem detail, a page, a
// product) as a log line may carry it: every control character written as
// an escape ("\n", "\u001B"), so that the text never starts a line of its
// own or moves a terminal's cursor, and the line stays one line.
inline QString logText(QStringView text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n')
            escaped += QLatin1StringView("\\n");
        else if (code == u'\r')
            escaped += QLatin1StringView("\\r");
        else if (code == u'\t')
            escaped += QLatin1StringView("\\t");
        else if (code < 0x20 || code == 0x7f || code == 0x2028 || code == 0x2029 ||
                 (code >= 0x80 && code < 0xa0))
            escaped += QLatin1StringView("\\u") + QString::number(code, 16).toUpper().rightJustified(4, u'0');
        else
            escaped += c;
    }
    return escaped;
}
