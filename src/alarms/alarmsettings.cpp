#include "alarmsettings.h"

#include "settings/settingsreader.h"

#include <QDir>

namespace alarms {

SmtpSettings::Security smtpSecurity(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("tls"))
        return SmtpSettings::Security::Tls;
    if (t == QLatin1String("none"))
        return SmtpSettings::Security::None;
    return SmtpSettings::Security::StartTls;
}

AlarmSettings alarmSettingsFrom(const SettingsReader &settings)
{
    AlarmSettings s;
    const QVariantList alarms = settings.value(Setting::Alarms).toList();
    for (const QVariant &alarm : alarms)
        s.alarms.append(alarmFromMap(alarm.toMap()));
    s.dataStoppedSeconds = settings.integer(Setting::DataStoppedAlarmSeconds);
    s.emailEnabled = settings.flag(Setting::AlarmEmailEnabled);
    s.smtp.host = settings.text(Setting::SmtpHost).trimmed();
    s.smtp.port = settings.integer(Setting::SmtpPort);
    s.smtp.security = smtpSecurity(settings.text(Setting::SmtpSecurity));
    s.smtp.username = settings.text(Setting::SmtpUsername);
    s.smtp.password = settings.text(Setting::SmtpPassword);
    s.smtp.from = settings.text(Setting::SmtpFrom).trimmed();
    const QStringList to = settings.text(Setting::SmtpTo).split(QLatin1Char(','));
    for (const QString &address : to)
        if (!address.trimmed().isEmpty())
            s.smtp.to.append(address.trimmed());
    s.desktop = settings.flag(Setting::AlarmDesktopNotifications);
    s.command = settings.text(Setting::AlarmCommand);
    s.units = settings.displayUnits();
    s.stateFile = QDir(settings.folder()).filePath(QStringLiteral("alarm-states.json"));
    return s;
}

} // namespace alarms
