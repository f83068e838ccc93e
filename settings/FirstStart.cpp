#include "FirstStart.h"

#include "NumberForm.h"
#include "Settings.h"
#include "SettingsKeys.h"

namespace FirstStart {

const std::array<ColourDefault, 6>& colourDefaults()
{
    static const std::array<ColourDefault, 6> defaults{{
        {SettingsKeys::LabelForeColor, windowText},
        {SettingsKeys::ConditionsForeColor, windowText},
        {SettingsKeys::ConditionsBackColor, paleYellow},
        {SettingsKeys::ForecastForeColor, windowText},
        {SettingsKeys::ForecastBackColor, paleYellow},
        {SettingsKeys::BackBackColor, lightGrey},
    }};
    return defaults;
}

void writeColourDefaults(SettingsStore& store)
{
    Settings settings(store);
    for (const ColourDefault& colour : colourDefaults())
        settings.save(colour.key, NumberForm::numberToText(colour.value));
}

QString appVersionText(int major, int minor, int revision)
{
    return QString::number(major) + QString::number(minor) + QString::number(revision);
}

} // namespace FirstStart

void InitializeSettings(SettingsStore& store, QSizeF screenTwips, QSizeF windowTwips,
                        const QString& appVersion)
{
    using namespace SettingsKeys;
    if (!store.read(application, markerSection, markerKey).isEmpty())
        return;

    Settings settings(store);
    settings.save(AppVersion, appVersion);
    settings.save(CityCode, FirstStart::cityCode);
    settings.save(State, FirstStart::state);
    settings.save(Update, FirstStart::update);
    FirstStart::writeColourDefaults(store);
    // Single precision, as the window edges are kept.
    const float left = static_cast<float>((screenTwips.width() - windowTwips.width()) / 2);
    const float top = static_cast<float>((screenTwips.height() - windowTwips.height()) / 2);
    settings.save(Left, NumberForm::numberToText(left));
    settings.save(Top, NumberForm::numberToText(top));
    settings.save(Region, FirstStart::region);
    settings.save(SysTray, FirstStart::sysTray);

    // Marked last: a start killed half-way through is completed next time.
    store.write(application, markerSection, markerKey, QStringLiteral("1"));
}
