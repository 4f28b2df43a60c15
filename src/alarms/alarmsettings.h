#pragma once

#include "alarmdefinition.h"
#include "alarmquantities.h"

#include <QStringList>
#include <QVector>

class SettingsReader;

namespace alarms {

// How alarm e-mail reaches the mail server.
struct SmtpSettings
{
    enum class Security
    {
        StartTls, // plain connection upgraded by STARTTLS, which must succeed
        Tls, // TLS from the first byte (usually port 465)
        None
    };

    QString host;
    int port = 587;
    Security security = Security::StartTls;
    // No login when empty.
    QString username;
    QString password;
    QString from;
    QStringList to;

    bool operator==(const SmtpSettings &o) const
    {
        return host == o.host && port == o.port && security == o.security && username == o.username
            && password == o.password && from == o.from && to == o.to;
    }
    bool operator!=(const SmtpSettings &o) const { return !(*this == o); }
};

// "starttls", "tls" or "none"; anything else is the default, STARTTLS.
SmtpSettings::Security smtpSecurity(const QString &text);

// The settings of the alarm service.
struct AlarmSettings
{
    QVector<AlarmDefinition> alarms;
    // 0 leaves data stopped unwatched.
    int dataStoppedSeconds = 60;
    bool emailEnabled = false;
    SmtpSettings smtp;
    bool desktop = true;
    // A program and its own arguments, run without a shell.
    QString command;
    DisplayUnits units;
    // Where the states survive a restart: a file in the settings folder.
    QString stateFile;

    bool operator==(const AlarmSettings &o) const
    {
        return alarms == o.alarms && dataStoppedSeconds == o.dataStoppedSeconds
            && emailEnabled == o.emailEnabled && smtp == o.smtp && desktop == o.desktop
            && command == o.command && units == o.units && stateFile == o.stateFile;
    }
    bool operator!=(const AlarmSettings &o) const { return !(*this == o); }
};

// The alarms' keys of the store, the display units, and the state file
// `alarm-states.json` in the settings folder.
AlarmSettings alarmSettingsFrom(const SettingsReader &settings);

} // namespace alarms
