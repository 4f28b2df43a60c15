#include "gateway/listenstatus.h"

#include <QtTest>

// What the Modbus page and the log say about the gateway's port.
class TestListenStatus : public QObject
{
    Q_OBJECT

private slots:
    void textsAndHints()
    {
        using gateway::ListenStatus;
        ListenStatus ok { 502, true, QAbstractSocket::UnknownSocketError, QString() };
        QCOMPARE(gateway::statusText(ok), QStringLiteral("Listening on port 502"));
        QCOMPARE(gateway::statusHint(ok), QString());

        ListenStatus denied { 502, false, QAbstractSocket::SocketAccessError,
            QStringLiteral("The address is protected") };
        QCOMPARE(gateway::statusText(denied),
            QStringLiteral("Not listening on port 502: permission denied"));
#ifdef Q_OS_UNIX
        QVERIFY(gateway::statusHint(denied).contains(QStringLiteral("1024")));
#else
        QCOMPARE(gateway::statusHint(denied), QStringLiteral("Choose another port."));
#endif

        // Other failures are told in the system's words.
        ListenStatus taken { 1502, false, QAbstractSocket::AddressInUseError,
            QStringLiteral("The bound address is already in use") };
        QCOMPARE(gateway::statusText(taken),
            QStringLiteral("Not listening on port 1502: the bound address is already in use"));
        QVERIFY(gateway::statusHint(taken).contains(QStringLiteral("10 s")));
        ListenStatus odd { 1502, false, QAbstractSocket::UnknownSocketError,
            QStringLiteral("IPv6 unavailable") };
        QCOMPARE(gateway::statusText(odd),
            QStringLiteral("Not listening on port 1502: IPv6 unavailable"));
        QCOMPARE(gateway::statusHint(odd), QString());
    }
};

QTEST_APPLESS_MAIN(TestListenStatus)
#include "tst_listenstatus.moc"
