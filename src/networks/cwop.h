#pragma once

#include "networkuploader.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace networks {

// The Citizen Weather Observer Program: one APRS weather packet per visit to
// an APRS-IS server, over plain TCP (so it needs no TLS).
class Cwop : public NetworkUploader
{
    Q_OBJECT

public:
    struct Server
    {
        QString host;
        quint16 port = 14580;
    };

    explicit Cwop(QObject *parent = nullptr);

    // Decimal degrees, north and east positive; a change starts over.
    void setStation(double latitude, double longitude, const QString &version);

    // "host" or "host:port" ("[::1]:14580" for an IPv6 address).
    static std::optional<Server> server(const QString &text);
    // "user ID pass PASSCODE vers Skyquill VERSION" + CRLF.
    static QByteArray login(
        const QString &stationId, const QString &passcode, const QString &version);
    // "ddmm.mmN/dddmm.mmE": the position with the weather symbol's table.
    static QByteArray position(double latitude, double longitude);
    // The whole weather packet + CRLF; a field without a value is dots.
    static QByteArray packet(const QString &stationId, double latitude, double longitude,
        const Observation &observation);

protected:
    QString unusable() const override;
    int minimumMinutes() const override { return 5; }
    void send(const Observation &observation, const Done &done) override;

private:
    double latitude = 0;
    double longitude = 0;
    QString version;
};

} // namespace networks
