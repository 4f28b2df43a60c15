#include "console.h"

#include "archive/raintotal.h"
#include "records/recordtext.h"
#include "settings/syssettings.h"

#include <QCoreApplication>

QVariant Console::Reader::value(Setting setting) const
{
    if (setting == Setting::GatewayPort && fixedGatewayPort != GatewayPortFromSettings)
        return fixedGatewayPort;
    if (setting == Setting::WebPort && fixedWebPort != WebPortFromSettings)
        return fixedWebPort;
    return store.value(setting);
}

Console::Console(SysSettings &store, int gatewayPort, int webPort, QObject *parent)
    : QObject(parent)
    , settings(store)
    , reader(store, gatewayPort, webPort)
    , portal(nullptr)
    , acquisition(&store)
    , stationDisplay(&acquisition)
    , dataQuality([this](const quality::QualitySettings &s) { acquisition.setQualitySettings(s); })
{
    settings.setModbusObject(&acquisition);
    settings.setCredentialTester(&credentialTest);
    connect(&credentialTest, &CredentialTest::unreachable, &settings,
        &SysSettings::testCredentialsUnreachable);
    connect(
        &credentialTest, &CredentialTest::result, &settings, &SysSettings::testCredentialsResult);

    // The data log takes its cycles on the acquisition thread.
    acquisition.addCycleSink(&logger);
    portal.setClock([this] { return acquisition.now(); });
    connect(&acquisition, &QModbus::quitRequested, &gatewayServer, &GatewayServer::close);
    networkUploads.setClock([this] { return acquisition.now(); });
    // The rain of the last hour and day, while the archive keeps minutes.
    networkUploads.setRainSource([this](qint64 from, qint64 to) -> std::optional<double> {
        const ArchiveSettings kept = minuteArchive.settings();
        if (!kept.enabled)
            return std::nullopt;
        return archive::rainTotal(kept.path, from, to);
    });
#ifdef SKYQUILL_HAVE_MQTT
    mqttConnectionTest.setBrokerSource([this] { return mqttSettingsFrom(reader).broker; });
    settings.setMqttTester(&mqttConnectionTest);
    connect(&mqttConnectionTest, &MqttConnectionTest::result, &settings,
        &SysSettings::testMqttConnectionResult);
    // A new record at BASE/ID/record, for whoever listens at the moment.
    connect(&recordsService, &RecordsService::recordBroken, &mqttPublisher,
        [this](const records::RecordEvent &event) {
            state::Publication message;
            message.suffix = QStringLiteral("record");
            message.payload = records::eventJson(event);
            message.retained = false;
            mqttPublisher.publish(message);
        });
    connect(
        &alarmService, &alarms::AlarmService::mqttPublish, &mqttPublisher, &MqttPublisher::publish);
#endif
    settings.setAlarmTester(&alarmService);
    // A new all-time record reaches a person the way an alarm does ("record
    // <key> <value>" for the command); this year's go to the log and MQTT
    // only, which would otherwise mail someone daily in a station's first year.
    connect(&recordsService, &RecordsService::recordTold, &alarmService,
        [this](const records::RecordEvent &event, const QString &line) {
            if (event.scope != records::Scope::AllTime)
                return;
            alarmService.notifyPerson(QStringLiteral("Skyquill: new record"), line,
                QLatin1String(records::info(event.what).key), QStringLiteral("record"),
                QString::number(event.now.value));
        });

    // The services, in the order each cycle reaches them; a name is what the
    // display shows the service's status under.
    plug(logger);
    plug(portal, QStringLiteral("upload"));
    plug(gatewayServer, QStringLiteral("gateway"));
    plug(minuteArchive);
    plug(networkUploads, QStringLiteral("networks"));
#ifdef SKYQUILL_HAVE_MQTT
    plug(mqttPublisher, QStringLiteral("mqtt"));
#endif
    plug(recordsService, QStringLiteral("records"));
    plug(alarmService, QStringLiteral("alarms"));
#ifdef SKYQUILL_HAVE_WEB
    plug(webServer, QStringLiteral("web"));
#endif
    plug(stationDisplay);
    plug(dataQuality, QStringLiteral("quality"));

#ifdef SKYQUILL_HAVE_WEB
    // The web server's threads never reach into the records: they get the
    // finished table, made here on the main thread, whenever it changes.
    connect(&recordsService, &RecordsService::updated, this, &Console::publishRecords);
    connect(&recordsService, &RecordsService::statusChanged, this, &Console::publishRecords);
    publishRecords();
#endif

    connect(&acquisition, &QModbus::cyclePublished, this, &Console::takeCycle);
    connect(&settings, &SysSettings::settingChanged, this, &Console::readSettings);
}

Console::~Console()
{
    acquisition.quit();
    acquisition.wait();
    // Some services say goodbye as they go, after the display has gone.
    for (Service *service : services)
        service->setStatusSink(nullptr);
    settings.setCredentialTester(nullptr);
    settings.setAlarmTester(nullptr);
#ifdef SKYQUILL_HAVE_MQTT
    settings.setMqttTester(nullptr);
#endif
    settings.setModbusObject(nullptr);
#ifdef SKYQUILL_HAVE_WEB
    // The records save and tell their last minute as they go, after the web
    // server they would hand the table to has gone.
    disconnect(&recordsService, nullptr, this, nullptr);
#endif
}

void Console::plug(Service &service, const QString &name)
{
    services.push_back(&service);
    if (!name.isEmpty())
        service.setStatusSink(
            [this, name](const QVariantMap &status) { stationDisplay.setStatus(name, status); });
    service.readSettings(reader);
}

#ifdef SKYQUILL_HAVE_WEB
void Console::publishRecords()
{
    webServer.setRecords(recordsService.ready() ? records::tableJson(recordsService.book(),
                             recordsService.settings().units, recordsService.timeZone())
                                                : QByteArray());
}
#endif

void Console::readSettings()
{
    for (Service *service : services)
        service->readSettings(reader);
}

void Console::takeCycle(const CyclePtr &cycle)
{
    for (Service *service : services)
        service->takeCycle(cycle);

    // The data log writes rain in the gauge's own unit; remembering it lets
    // an import of those files read them right.
    const RainGauge gauge = cycle->values.rainGauge();
    const bool inches = rainGaugeOf(settings.getRainUnits()) == RainGauge::Inches;
    if (cycle->good() && gauge != RainGauge::None && (gauge == RainGauge::Inches) != inches)
        settings.setRainUnits(int(gauge));
}

void Console::setClock(const QModbus::Clock &clock)
{
    acquisition.setClock(clock);
}

void Console::stop()
{
    acquisition.quit();
    acquisition.wait();
    QCoreApplication::sendPostedEvents();
#ifdef SKYQUILL_HAVE_MQTT
    mqttPublisher.stop();
#endif
    recordsService.stop();
    minuteArchive.close();
}
