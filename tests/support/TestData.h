#pragma once

#include <QByteArray>
#include <QString>

namespace TestData {

// The path of a fixture under tests/data.
QString path(const QString& name);

// A fixture's bytes; fails the current test when it cannot be read.
QByteArray bytes(const QString& name);

// A fixture read as Latin-1, with its LF line ends turned into CR LF when
// `crlf` is set.
QString page(const QString& name, bool crlf = false);

} // namespace TestData
