#pragma once

#include <QString>

class SettingsReader;

// The settings of the portal upload: what goes into a form, and how often.
struct UploadSettings
{
    int serialNumber = 0;
    QString password;
    QString wuUsername;
    QString wuPassword;
    int minutes = 10;

    bool operator==(const UploadSettings &o) const
    {
        return serialNumber == o.serialNumber && password == o.password
            && wuUsername == o.wuUsername && wuPassword == o.wuPassword && minutes == o.minutes;
    }
    bool operator!=(const UploadSettings &o) const { return !(*this == o); }
};

UploadSettings uploadSettingsFrom(const SettingsReader &settings);
