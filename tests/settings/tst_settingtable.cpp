#include "settings/settingtable.h"
#include "settings/syssettings.h"

#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

// The table every key of the settings store is declared in.
class TestSettingTable : public QObject
{
    Q_OBJECT

private slots:
    void oneRowPerKeyInOrder()
    {
        const std::vector<SettingRow> &table = settingTable();
        QCOMPARE(int(table.size()), int(Setting::Count));
        QSet<QString> keys;
        for (size_t i = 0; i < table.size(); ++i) {
            QCOMPARE(int(table[i].setting), int(i));
            keys.insert(QLatin1String(table[i].key));
        }
        QCOMPARE(keys.size(), int(table.size()));
    }

    // The services hear of every accepted write by its key, before the
    // property's own signal, and of no refused one.
    void everyWriteIsToldByKey()
    {
        QTemporaryDir dir;
        SysSettings settings(dir.path());
        QStringList heard;
        connect(&settings, &SysSettings::settingChanged, this,
            [&heard](const QString &key) { heard.append(key); });
        connect(&settings, &SysSettings::unitsChanged, this,
            [&heard] { heard.append(QStringLiteral("unitsChanged")); });
        settings.setPressureAdjustment(2); // refused
        settings.setPressureAdjustment(1);
        settings.setMqttHost(QStringLiteral("broker"));
        settings.setMqttHost(QStringLiteral("broker")); // unchanged: not told again
        QCOMPARE(heard, QStringList({ "PressureAdjustment", "unitsChanged", "MqttHost" }));
        QCOMPARE(settings.value(Setting::MqttHost).toString(), QStringLiteral("broker"));
    }

    // Decimal keys: within their limits, read back as numbers after a
    // restart; a hand-edited value beyond them loads as the default.
    void calibrationKeysKeepToTheirLimits()
    {
        QTemporaryDir dir;
        {
            SysSettings settings(dir.path());
            settings.setCalTemperatureOffset(-1.5);
            settings.setCalTemperatureOffset(25); // refused
            settings.setCalWindMultiplier(0); // refused
        }
        QSettings(dir.path() + "/settings.ini", QSettings::IniFormat)
            .setValue("CalPressureOffset", "900");
        SysSettings again(dir.path());
        QCOMPARE(again.calTemperatureOffset(), -1.5);
        QCOMPARE(again.calWindMultiplier(), 1.0);
        QCOMPARE(again.calPressureOffset(), 0.0);
        QCOMPARE(again.value(Setting::DegreeDayBase).userType(), int(QMetaType::Double));
        // Not a number at all: the default, not 0.
        QSettings(dir.path() + "/settings.ini", QSettings::IniFormat)
            .setValue("DegreeDayBase", "hot");
        QCOMPARE(SysSettings(dir.path()).degreeDayBase(), 18.3);
    }
};

QTEST_GUILESS_MAIN(TestSettingTable)
#include "tst_settingtable.moc"
