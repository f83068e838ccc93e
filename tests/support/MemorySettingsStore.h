#pragma once

#include "settings/SettingsStore.h"

#include <QList>
#include <QMap>
#include <QString>

// The store in memory, with a log of every operation in the order made.
class MemorySettingsStore final : public SettingsStore
{
public:
    struct Operation
    {
        bool write;
        QString section;
        QString key;
        QString value;
    };

    QString read(const QString& application, const QString& section, const QString& key) const override
    {
        m_log.append({false, section, key, {}});
        return m_values.value(path(application, section, key));
    }

    bool write(const QString& application, const QString& section, const QString& key,
               const QString& value) override
    {
        m_log.append({true, section, key, value});
        if (!failWritesWith.isEmpty())
            return false;
        m_values.insert(path(application, section, key), value);
        return true;
    }
    QString lastWriteError() const override { return failWritesWith; }

    // While set, every write fails, changes nothing and gives this reason.
    QString failWritesWith;

    // What the look before the first use reports; whole unless set.
    StoreCheck recover(const QString& application) override
    {
        Q_UNUSED(application);
        return recovered;
    }
    StoreCheck recovered;

    // Direct access that does not appear in the log.
    void set(const QString& key, const QString& value)
    {
        m_values.insert(path(QStringLiteral("Ventaro"), QStringLiteral("Settings"), key), value);
    }
    QString get(const QString& key) const
    {
        return m_values.value(path(QStringLiteral("Ventaro"), QStringLiteral("Settings"), key));
    }
    bool has(const QString& key) const
    {
        return m_values.contains(path(QStringLiteral("Ventaro"), QStringLiteral("Settings"), key));
    }
    void remove(const QString& key)
    {
        m_values.remove(path(QStringLiteral("Ventaro"), QStringLiteral("Settings"), key));
    }

    const QList<Operation>& log() const { return m_log; }
    void clearLog() { m_log.clear(); }

    // Keys written (section "Settings" only), in order.
    QStringList writtenKeys() const
    {
        QStringList keys;
        for (const Operation& op : m_log) {
            if (op.write && op.section == QLatin1String("Settings"))
                keys.append(op.key);
        }
        return keys;
    }

    // Keys read (section "Settings" only), in order.
    QStringList readKeys() const
    {
        QStringList keys;
        for (const Operation& op : m_log) {
            if (!op.write && op.section == QLatin1String("Settings"))
                keys.append(op.key);
        }
        return keys;
    }

private:
    static QString path(const QString& application, const QString& section, const QString& key)
    {
        return application + QLatin1Char('\x1f') + section + QLatin1Char('\x1f') + key;
    }

    QMap<QString, QString> m_values;
    mutable QList<Operation> m_log;
};
