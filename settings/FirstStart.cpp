#include "FirstStart.h"

#include "NumberForm.h"
#include "Settings.h"
#include "SettingsKeys.h"

#include <QDir>
#include <QFileInfo>

Q_LOGGING_CATEGORY(lcSettings, "ventaro.settings")

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

QString notice(const StoreCheck& check)
{
    const QString file = QDir::toNativeSeparators(check.file);
    switch (check.condition) {
    case StoreCheck::Condition::Whole:
    case StoreCheck::Condition::Missing:
        return {};
    case StoreCheck::Condition::Unreadable:
        return QStringLiteral(
                   "The settings file %1 could not be read (%2). It was left as it is, and settings "
                   "are not kept until it can be read.")
            .arg(file, check.reason);
    case StoreCheck::Condition::Damaged:
        break;
    }
    if (check.backup.isEmpty())
        return QStringLiteral(
                   "The settings file %1 could not be read whole (%2), nor be set aside. It was left "
                   "as it is, and settings are not kept until it is mended or removed.")
            .arg(file, check.reason);
    const QString kept = check.textRead ? QStringLiteral("every setting that could be read was kept and the "
                                                         "others were set to their first values")
                                        : QStringLiteral("every setting was set to its first value");
    return QStringLiteral("The settings file %1 could not be read whole (%2). It was kept as %3; %4.")
        .arg(file, check.reason, QFileInfo(check.backup).fileName(), kept);
}

} // namespace FirstStart

StoreCheck InitializeSettings(SettingsStore& store, QSizeF screenTwips, QSizeF windowTwips,
                              const QString& appVersion)
{
    using namespace SettingsKeys;
    const StoreCheck check = store.recover(application);
    if (const QString told = FirstStart::notice(check); !told.isEmpty())
        qCWarning(lcSettings).noquote() << told;
    if (!check.writable())
        return check;
    // A rebuilt store may have kept the mark while losing keys to the damage.
    if (!check.damaged() && !store.read(application, markerSection, markerKey).isEmpty())
        return check;

    // Only missing keys get their first value: a store whose mark was lost
    // (a first start killed half-way, a file cut short at a line end, a
    // damaged file rebuilt) keeps every value it still holds.
    Settings settings(store);
    const auto fill = [&settings](const QString& key, const QString& value) {
        if (settings.get(key).isEmpty())
            settings.save(key, value);
    };
    fill(AppVersion, appVersion);
    fill(CityCode, FirstStart::cityCode);
    fill(State, FirstStart::state);
    fill(Update, FirstStart::update);
    for (const FirstStart::ColourDefault& colour : FirstStart::colourDefaults())
        fill(colour.key, NumberForm::numberToText(colour.value));
    // Single precision, as the window edges are kept.
    const float left = static_cast<float>((screenTwips.width() - windowTwips.width()) / 2);
    const float top = static_cast<float>((screenTwips.height() - windowTwips.height()) / 2);
    fill(Left, NumberForm::numberToText(left));
    fill(Top, NumberForm::numberToText(top));
    fill(Region, FirstStart::region);
    fill(SysTray, FirstStart::sysTray);

    // Marked last: a start killed half-way through is completed next time.
    store.write(application, markerSection, markerKey, QStringLiteral("1"));
    return check;
}
