#pragma once

#include <QByteArray>
#include <QStringList>

// The bytes of the pages the program is handed: Latin-1 text, as the
// weather service's pages were.
namespace PageText {

// Joins lines with LF or CR LF, ending the last line too, as Latin-1.
QByteArray joinLines(const QStringList& lines, bool crlf);

} // namespace PageText
