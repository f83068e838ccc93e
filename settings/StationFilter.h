#pragma once

#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

// The station table's entries (or any list of them in a model) whose name
// holds what the user typed, for suggestions while a station is typed.
//
// The name is the entry without its code column: the city and state
// ("DALLAS/FT.WORTH, TX"), read with "FT", "ST", "MT" and "JCT" also as
// "FORT", "SAINT", "MOUNT" and "JUNCTION", and, for the few entries named
// after something other than their town ("MAUI, HI"), the town as well
// ("KAHULUI"). Case and punctuation do not count, nor does the code
// column: "ft worth", "Fort Worth" and "ft.worth" all find the Dallas/Fort
// Worth entry, "den" finds Denver and Camden but no entry by its code.
// Typed text with no letter or digit lets nothing through.
class StationFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit StationFilter(QObject* parent = nullptr);

    void setTyped(const QString& typed);

    // Whether `entry` is one to suggest for `typed`.
    static bool matches(const QString& entry, const QString& typed);

    // The words of a text as compared: lower case, every run of characters
    // other than letters and digits one blank, none at either end.
    static QString comparable(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // The comparable forms of an entry's name, each matched alone.
    static QStringList names(const QString& entry);
    // Whether one of them holds `wanted`, already comparable.
    static bool namesHold(const QString& entry, const QString& wanted);

    QString m_typed; // comparable
};
