#include "DecodedObservation.h"

#include <QRegularExpression>

namespace {

// The time line ends in the UTC date and time of the report; a page of any
// other kind does not have that as its second line.
const QRegularExpression& timeLine()
{
    static const QRegularExpression pattern(
        QStringLiteral("^[A-Z][a-z]{2} \\d{2}, \\d{4} - .+ / \\d{4}\\.\\d{2}\\.\\d{2} \\d{4} UTC$"));
    return pattern;
}

// Some values end in a mark of the service's own (":0", ":1") that is no
// part of what the value says.
const QRegularExpression& trailingMark()
{
    static const QRegularExpression pattern(QStringLiteral(":\\d+$"));
    return pattern;
}

QString* fieldFor(DecodedObservation& observation, QStringView label)
{
    struct Field
    {
        QLatin1StringView label;
        QString DecodedObservation::*member;
    };
    static const Field fields[] = {
        {QLatin1StringView("Wind"), &DecodedObservation::wind},
        {QLatin1StringView("Visibility"), &DecodedObservation::visibility},
        {QLatin1StringView("Sky conditions"), &DecodedObservation::sky},
        {QLatin1StringView("Weather"), &DecodedObservation::weather},
        {QLatin1StringView("Temperature"), &DecodedObservation::temperature},
        {QLatin1StringView("Windchill"), &DecodedObservation::windchill},
        {QLatin1StringView("Heat index"), &DecodedObservation::heatIndex},
        {QLatin1StringView("Dew Point"), &DecodedObservation::dewPoint},
        {QLatin1StringView("Relative Humidity"), &DecodedObservation::humidity},
        {QLatin1StringView("Pressure (altimeter)"), &DecodedObservation::pressure},
        {QLatin1StringView("ob"), &DecodedObservation::ob},
        {QLatin1StringView("cycle"), &DecodedObservation::cycle},
    };
    for (const Field& field : fields) {
        if (label == field.label)
            return &(observation.*field.member);
    }
    return nullptr;
}

} // namespace

std::optional<DecodedObservation> DecodedObservation::parse(QStringView text)
{
    QList<QStringView> lines;
    for (QStringView line : text.split(QLatin1Char('\n'))) {
        while (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.append(line);
    }
    while (!lines.isEmpty() && lines.constLast().trimmed().isEmpty())
        lines.removeLast();
    if (lines.size() < 2 || !timeLine().match(lines.at(1).trimmed()).hasMatch())
        return std::nullopt;

    DecodedObservation observation;
    observation.location = lines.at(0).trimmed().toString();
    observation.observed = lines.at(1).trimmed().toString();
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringView line = lines.at(i);
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        QString* field = fieldFor(observation, line.left(colon));
        // The first line of a label counts, as a reader of the file would
        // take it.
        if (field == nullptr || !field->isEmpty())
            continue;
        QString value = line.mid(colon + 1).trimmed().toString();
        value.remove(trailingMark());
        *field = value.trimmed();
    }
    return observation;
}
