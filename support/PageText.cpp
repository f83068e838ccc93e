#include "PageText.h"

namespace PageText {

QByteArray joinLines(const QStringList& lines, bool crlf)
{
    const QString end = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
    QString text;
    for (const QString& line : lines)
        text += line + end;
    return text.toLatin1();
}

} // namespace PageText
