#pragma once

#include "record/units.h"
#include "setting.h"

#include <QString>
#include <QVariant>

// What a service may know of the settings store: the value of a key, read
// only. Each service turns it into its own settings struct in its own folder,
// so no service includes the store itself. Safe from any thread.
class SettingsReader
{
public:
    virtual ~SettingsReader() = default;

    // The key's value as the store holds it, or its default.
    virtual QVariant value(Setting setting) const = 0;
    // The folder the settings are kept in, and the archive beside them.
    virtual QString folder() const = 0;
    // The console's version.
    virtual QString version() const = 0;

    bool flag(Setting setting) const { return value(setting).toBool(); }
    int integer(Setting setting) const { return value(setting).toInt(); }
    double number(Setting setting) const { return value(setting).toDouble(); }
    QString text(Setting setting) const { return value(setting).toString(); }
    // The six unit keys as one struct.
    DisplayUnits displayUnits() const;
};
