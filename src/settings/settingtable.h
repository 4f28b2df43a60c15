#pragma once

#include "setting.h"

#include <QVariant>

#include <climits>

class SysSettings;

// One key of the settings store, declared once: everything the store does
// with it follows from this row.
struct SettingRow
{
    enum class Emits
    {
        Always, // every accepted write is stored and signalled, changed or not
        OnChange, // only a write that changes the value
    };

    Setting setting;
    const char *key; // in settings.ini
    QVariant fallback; // its type is the key's type
    SettingGroup group;
    Emits emits = Emits::OnChange;
    // The QML property's change signal; several keys may share one.
    void (SysSettings::*changed)() = nullptr;
    int low = INT_MIN; // whole numbers outside [low, high] are refused
    int high = INT_MAX;
    bool (*check)(const QVariant &value) = nullptr; // refuses what it returns false for
    // A stored value the row refuses loads as the default instead.
    bool checkedOnLoad = false;
    // Every accepted write reopens the station link, logging this line ("%1"
    // stands for the value).
    const char *restartLine = nullptr;

    bool accepts(const QVariant &value) const;

    SettingRow &range(int lowest, int highest)
    {
        low = lowest;
        high = highest;
        return *this;
    }
    SettingRow &only(bool (*test)(const QVariant &))
    {
        check = test;
        return *this;
    }
    SettingRow &loadChecked()
    {
        checkedOnLoad = true;
        return *this;
    }
    SettingRow &restarts(const char *line)
    {
        restartLine = line;
        return *this;
    }
};

// The rows in the order of Setting: settingTable()[int(s)].setting == s.
const std::vector<SettingRow> &settingTable();
const SettingRow &settingRow(Setting setting);
