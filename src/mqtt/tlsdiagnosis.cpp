#include "tlsdiagnosis.h"

#include <QHostAddress>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QStringList>

namespace mqtt {

namespace {

// As OpenSSL checks a name for libmosquitto: the subject's alternative names
// when there are any, else its common name; a leading "*." stands for one
// label.
bool names(const QStringList &candidates, const QString &host)
{
    const QHostAddress address(host);
    for (const QString &name : candidates) {
        if (!address.isNull()) {
            if (QHostAddress(name) == address)
                return true;
            continue;
        }
        if (name.compare(host, Qt::CaseInsensitive) == 0)
            return true;
        if (name.startsWith(QLatin1String("*.")) && host.indexOf(QLatin1Char('.')) > 0
            && host.mid(host.indexOf(QLatin1Char('.'))).compare(name.mid(1), Qt::CaseInsensitive)
                == 0)
            return true;
    }
    return false;
}

} // namespace

QString certificateNameProblem(const MqttBroker &broker, int timeoutMs)
{
    QSslSocket socket;
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    // Only the certificate is wanted here, whoever signed it.
    configuration.setPeerVerifyMode(QSslSocket::QueryPeer);
    socket.setSslConfiguration(configuration);
    socket.connectToHostEncrypted(broker.host, quint16(broker.port));
    socket.waitForEncrypted(timeoutMs);
    const QSslCertificate certificate = socket.peerCertificate();
    socket.abort();
    if (certificate.isNull())
        return QString();
    QStringList candidates = certificate.subjectAlternativeNames().values();
    if (candidates.isEmpty())
        candidates = certificate.subjectInfo(QSslCertificate::CommonName);
    if (names(candidates, broker.host))
        return QString();
    return QStringLiteral("the broker's certificate is for %1, not %2")
        .arg(candidates.isEmpty() ? QStringLiteral("no host name")
                                  : candidates.join(QStringLiteral(", ")),
            broker.host);
}

} // namespace mqtt
