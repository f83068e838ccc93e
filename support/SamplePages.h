#pragma once

#include "ConditionsPage.h"
#include "PageText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The HTML pages the sample server answers with, in the style of the
// weather service's pages of December 1998. Every page is Latin-1 text
// whose lines end in LF, or in CR LF when `crlf` is set. Everything is
// derived from the station entry or the state code alone, so a page is the
// same at every request and in every run.
namespace SamplePages {

// One observation as the current-conditions page of a station shows it.
using Observation = ConditionsPage::Observation;

// The observation for a station table entry ("DEN         DENVER, CO").
// The values vary with the station code; the location is the entry's
// display name and never holds a word that labels a value on the page.
Observation observationFor(const QString& stationEntry);

// The current-conditions page of a station table entry, from the one
// renderer the live layer uses too.
QByteArray conditionsPage(const QString& stationEntry, bool crlf);

// The lines of the state forecast product of a state ("co"), from its WMO
// heading to "NNNN". Unknown codes get a product under the code's name.
QStringList forecastProduct(const QString& stateCode);

// The state forecast page: the product inside <PRE> with a page around it.
QByteArray stateForecastPage(const QString& stateCode, bool crlf);

// Error pages naming the requested path and the answering `host`.
QByteArray notFoundPage(const QByteArray& path, const QString& host, bool crlf);
QByteArray serverErrorPage(const QString& host, bool crlf);
QByteArray methodNotAllowedPage(const QByteArray& method, const QString& host, bool crlf);
QByteArray badRequestPage(const QString& host, bool crlf);

// A body with no markup at all, as an overloaded server's answer.
QByteArray plainTextNotice(bool crlf);

// Joins lines with LF or CR LF, ending the last line too, as Latin-1.
using PageText::joinLines;

} // namespace SamplePages
