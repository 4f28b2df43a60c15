#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <cstdio>

// Runs every tests/qml/tst_*.qml with stand-ins published as "Settings" and
// "ModbusPort", the way the program publishes the real objects, and fails the
// run when QML has printed any warning.
namespace {

QStringList warnings;

} // namespace

class Setup : public QObject
{
    Q_OBJECT

public slots:
    void qmlEngineAvailable(QQmlEngine *engine)
    {
        // The test logger owns the message handler; the engine reports its
        // warnings (bindings, types, missing files) as a signal as well.
        connect(engine, &QQmlEngine::warnings, engine, [](const QList<QQmlError> &list) {
            for (const QQmlError &error : list)
                warnings.append(error.toString());
        });
        publish(engine, "Settings", "FakeSettings.qml");
        publish(engine, "ModbusPort", "FakeModbus.qml");
        publish(engine, "Records", "FakeRecords.qml");
    }

private:
    static void publish(QQmlEngine *engine, const char *name, const char *file)
    {
        QQmlComponent component(engine,
            QUrl::fromLocalFile(
                QStringLiteral(QUICK_TEST_SOURCE_DIR "/fakes/") + QLatin1String(file)));
        QObject *object = component.create();
        if (!object)
            qFatal("%s", qPrintable(component.errorString()));
        object->setParent(engine);
        engine->rootContext()->setContextProperty(QLatin1String(name), object);
    }
};

int main(int argc, char **argv)
{
    Setup setup;
    const int result
        = quick_test_main_with_setup(argc, argv, "skyquill_qml", QUICK_TEST_SOURCE_DIR, &setup);
    if (!warnings.isEmpty()) {
        for (const QString &warning : qAsConst(warnings))
            std::fprintf(stderr, "QML warning: %s\n", qPrintable(warning));
        return result ? result : 1;
    }
    return result;
}

#include "tst_qml.moc"
