#include "display/stationdisplay.h"
#include "records/recordsservice.h"
#include "settings/syssettings.h"

#include <QMetaProperty>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QtTest>

#include <memory>

// The stand-ins the QML tests publish as "ModbusPort" and "Settings" have
// nothing the real objects lack: each property is the real one's, of its
// type, and each signal and function is one QML can call on the real one.
// Only the counters and inputs a test reads or sets are the fakes' own.
class TestFakes : public QObject
{
    Q_OBJECT

private slots:
    void modbusPort()
    {
        check("FakeModbus.qml", StationDisplay::staticMetaObject,
            { "starts", "quits", "initial", "reset" });
    }

    void settings()
    {
        check("FakeSettings.qml", SysSettings::staticMetaObject,
            { "serialPort", "lockPassword", "portScans", "passwordsTried", "credentialTests",
                "mqttTests", "temperatureIndex", "pressureIndex", "speedIndex",
                "pressureAdjustment", "initial", "reset", "alarmTests" });
    }

    void records() { check("FakeRecords.qml", RecordsService::staticMetaObject, { "rebuilds" }); }

private:
    static void check(const char *file, const QMetaObject &real, const QStringList &ownMembers)
    {
        QQmlEngine engine;
        QQmlComponent component(&engine,
            QUrl::fromLocalFile(
                QStringLiteral(QUICK_TEST_SOURCE_DIR "/fakes/") + QLatin1String(file)));
        std::unique_ptr<QObject> fake(component.create());
        QVERIFY2(fake, qPrintable(component.errorString()));
        const QMetaObject *meta = fake->metaObject();

        for (int i = QObject::staticMetaObject.propertyCount(); i < meta->propertyCount(); ++i) {
            const QMetaProperty p = meta->property(i);
            if (ownMembers.contains(QLatin1String(p.name())))
                continue;
            const int at = real.indexOfProperty(p.name());
            QVERIFY2(at >= 0, p.name());
            // A var is whatever the real type is; the rest must match.
            if (p.userType() != qMetaTypeId<QVariant>())
                QVERIFY2(real.property(at).userType() == p.userType(), p.name());
        }
        for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
            const QMetaMethod m = meta->method(i);
            const QByteArray name = m.name();
            // Each property's change signal is QML's own.
            if (name.endsWith("Changed") || ownMembers.contains(QLatin1String(name)))
                continue;
            // A function is a slot or an invokable there, a signal a signal.
            const bool isSignal = m.methodType() == QMetaMethod::Signal;
            bool found = false;
            for (int j = 0; j < real.methodCount() && !found; ++j) {
                const QMetaMethod r = real.method(j);
                found = r.name() == name && r.access() == QMetaMethod::Public
                    && (r.methodType() == QMetaMethod::Signal) == isSignal;
            }
            QVERIFY2(found, name.constData());
        }
    }
};

QTEST_MAIN(TestFakes)
#include "tst_fakes.moc"
