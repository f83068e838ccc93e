#include "TestData.h"

#include <QFile>
#include <QTest>

namespace TestData {

QString path(const QString& name)
{
    return qEnvironmentVariable("VENTARO_TEST_DATA") + QLatin1Char('/') + name;
}

QByteArray bytes(const QString& name)
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("cannot read fixture %s", qPrintable(path(name)));
        return {};
    }
    return file.readAll();
}

QString page(const QString& name, bool crlf)
{
    QString text = QString::fromLatin1(bytes(name));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (crlf)
        text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return text;
}

} // namespace TestData
