#include "ConditionsPage.h"

#include "PageText.h"

#include <array>

namespace ConditionsPage {

namespace {

// The words by which the program finds the values on the page.
const std::array<QLatin1StringView, 7> valueLabels{
    QLatin1StringView("Temperature"), QLatin1StringView("Relative Humidity"),
    QLatin1StringView("Dew Point"),   QLatin1StringView("Wind"),
    QLatin1StringView("Pressure"),    QLatin1StringView("Sky conditions"),
    QLatin1StringView("Visibility"),
};

// The labels are searched case-sensitively and all hold lower-case
// letters, so the words around a label's occurrence in upper case no longer
// match it; the rest of the line keeps its own case.
QString withoutValueLabels(QString line)
{
    for (const QLatin1StringView label : valueLabels) {
        qsizetype at = 0;
        while ((at = line.indexOf(label, at)) >= 0) {
            qsizetype start = at;
            while (start > 0 && line.at(start - 1).isLetter())
                --start;
            qsizetype end = at + label.size();
            while (end < line.size() && line.at(end).isLetter())
                ++end;
            line.replace(start, end - start, line.mid(start, end - start).toUpper());
            at = end;
        }
    }
    return line;
}

} // namespace

bool holdsValueLabel(const QString& text)
{
    for (const QLatin1StringView label : valueLabels) {
        if (text.contains(label))
            return true;
    }
    return false;
}

QByteArray render(const Observation& o, const QString& stateCode, bool crlf)
{
    const auto row = [](const QString& label, const QString& value) {
        // The label's line, a line of tags, then the value: the program
        // takes the second line below the label.
        return QStringList{
            QStringLiteral("<TR><TD ALIGN=RIGHT BGCOLOR=\"#EEEEFF\"><FONT FACE=\"Arial,Helvetica\"><B>%1</B>"
                           "</FONT></TD>")
                .arg(label),
            QStringLiteral("<TD><FONT FACE=\"Arial,Helvetica\">"),
            QStringLiteral("  %1</FONT></TD></TR>").arg(value.toHtmlEscaped()),
        };
    };

    QStringList lines{
        QStringLiteral("<HTML>"),
        QStringLiteral("<HEAD>"),
        QStringLiteral("<TITLE>Current Weather Conditions</TITLE>"),
        QStringLiteral("<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=iso-8859-1\">"),
        QStringLiteral("</HEAD>"),
        QStringLiteral("<BODY BGCOLOR=\"#FFFFFF\" TEXT=\"#000000\" LINK=\"#000099\" VLINK=\"#660099\">"),
        QStringLiteral("<TABLE WIDTH=\"100%\" BORDER=0 CELLPADDING=2 CELLSPACING=0>"),
        QStringLiteral("<TR><TD BGCOLOR=\"#000066\" ALIGN=CENTER>"
                       "<FONT FACE=\"Arial,Helvetica\" SIZE=+2 COLOR=\"#FFFFFF\">"),
        QStringLiteral("<B>National Weather Service</B></FONT></TD></TR>"),
        QStringLiteral("<TR><TD BGCOLOR=\"#CCCCFF\" ALIGN=CENTER><FONT FACE=\"Arial,Helvetica\" SIZE=-1>"),
        QStringLiteral("<A HREF=\"/\">Home</A> |"),
        QStringLiteral("<A HREF=\"/weather/current/\">Observations</A> |"),
        QStringLiteral("<A HREF=\"/iwin/\">State Forecasts</A> |"),
        QStringLiteral("<A HREF=\"/GIFS/\">Satellite Images</A> |"),
        QStringLiteral("<A HREF=\"/weather/radar/\">Radar</A> |"),
        QStringLiteral("<A HREF=\"/weather/warnings/\">Watches &amp; Warnings</A> |"),
        QStringLiteral("<A HREF=\"/weather/climate/\">Climate</A> |"),
        QStringLiteral("<A HREF=\"/weather/help.html\">Help</A>"),
        QStringLiteral("</FONT></TD></TR>"),
        QStringLiteral("</TABLE>"),
        QStringLiteral("<P>"),
        QStringLiteral("<FONT FACE=\"Arial,Helvetica\" SIZE=-1>"),
        QStringLiteral("Observations are decoded from the hourly reports of the airport stations"),
        QStringLiteral("and are brought up to date about ten minutes after each hour."),
        QStringLiteral("Choose another station from the <A HREF=\"/weather/current/\">station index</A>."),
        QStringLiteral("</FONT>"),
        QStringLiteral("<HR SIZE=1 NOSHADE>"),
        QStringLiteral("<CENTER>"),
        QStringLiteral("<H2><FONT FACE=\"Arial,Helvetica\">Current Weather Conditions</FONT></H2>"),
        QStringLiteral("<HR WIDTH=\"60%\">"),
        QStringLiteral("<TABLE BORDER=1 CELLPADDING=4 CELLSPACING=0 WIDTH=600>"),
        QStringLiteral("<TR><TD COLSPAN=2 BGCOLOR=\"#EEEEFF\"><FONT FACE=\"Arial,Helvetica\" SIZE=+1><B>"),
        // The fourth line below the title: the program's location.
        withoutValueLabels(o.location).toHtmlEscaped(),
        QStringLiteral("</B></FONT><BR>"),
        QStringLiteral("<FONT FACE=\"Arial,Helvetica\" SIZE=-1>%1</FONT>")
            .arg(withoutValueLabels(o.observed).toHtmlEscaped()),
        QStringLiteral("</TD></TR>"),
    };
    lines += row(QStringLiteral("Wind"), o.wind);
    lines += row(QStringLiteral("Visibility"), o.visibility);
    lines += row(QStringLiteral("Sky conditions"), o.sky);
    lines += row(QStringLiteral("Temperature"), o.temperature);
    lines += row(QStringLiteral("Dew Point"), o.dewPoint);
    lines += row(QStringLiteral("Relative Humidity"), o.humidity);
    lines += row(QStringLiteral("Pressure (altimeter)"), o.pressure);
    lines += QStringList{
        QStringLiteral("</TABLE>"),
        QStringLiteral("</CENTER>"),
        QStringLiteral("<P>"),
        QStringLiteral("<HR SIZE=1 NOSHADE>"),
        QStringLiteral("<FONT FACE=\"Arial,Helvetica\" SIZE=-1>"),
        QStringLiteral("Observations are provisional and have not been quality controlled.<BR>"),
        QStringLiteral("<A HREF=\"/iwin/%1/state.html\">State forecast</A> |").arg(stateCode.toHtmlEscaped()),
        QStringLiteral("<A HREF=\"/weather/current/\">Other stations</A>"),
        QStringLiteral("</FONT>"),
        QStringLiteral("</BODY>"),
        QStringLiteral("</HTML>"),
    };
    return PageText::joinLines(lines, crlf);
}

} // namespace ConditionsPage
