#include "uploadform.h"

#include "record/stationvalues.h"

#include <QLocale>

#include <cmath>

#include <utility>

namespace {

const QString utcFormat = QStringLiteral("yyyy-MM-dd HH:mm");

// QUrlQuery leaves "+" alone, which a form decoder reads as a space, and takes
// "%41" in a value for an encoded "A". Pre-encoding both keeps user texts
// (passwords) intact; every other character is encoded by QUrlQuery itself.
void addField(QUrlQuery &form, const QString &key, const QString &value)
{
    // A null text would come out as "pw" instead of "pw=".
    QString escaped = value.isNull() ? QString(QLatin1String("")) : value;
    escaped.replace(QLatin1Char('%'), QLatin1String("%25"));
    escaped.replace(QLatin1Char('+'), QLatin1String("%2B"));
    form.addQueryItem(key, escaped);
}

// A value the data checks refused (NaN) is left out of the form.
void addDouble(QUrlQuery &form, const QString &key, double value)
{
    if (std::isnan(value))
        return;
    addField(form, key, fixed6(value));
}

void addInt(QUrlQuery &form, const QString &key, int value)
{
    addField(form, key, QString::number(value));
}

// Channel 1 wins when both carry the same sensor type.
bool analogOfType(const StationValues &v, int type, double *value)
{
    if (v.analog1Type == type) {
        *value = v.analog1;
        return true;
    }
    if (v.analog2Type == type) {
        *value = v.analog2;
        return true;
    }
    return false;
}

// The readings at the front of the form, in the portal's order.
const std::pair<const char *, double StationValues::*> readings[] = {
    { "tc", &StationValues::airTemp },
    { "rh", &StationValues::humidity },
    { "rp", &StationValues::pressure },
    { "rpt", &StationValues::pressureTemp },
    { "ws", &StationValues::wind },
    { "wd", &StationValues::windDir },
    { "ws2", &StationValues::wind2 },
    { "wd2", &StationValues::windDir2 },
    { "ws10", &StationValues::wind10 },
    { "wd10", &StationValues::windDir10 },
    { "wgs", &StationValues::windGust },
    { "wgd", &StationValues::windDirGust },
};

QString utcText(const QDateTime &utcNow)
{
    // Qt 5 formats with the system locale, whose digits need not be ASCII.
    return QLocale::c().toString(utcNow.toUTC(), utcFormat);
}

} // namespace

bool portalUploadDue(const QDateTime &lastTrigger, const QDateTime &now, int minutes)
{
    if (lastTrigger.isNull())
        return true;
    const qint64 elapsed = lastTrigger.secsTo(now);
    return elapsed < 0 || elapsed >= 60 * qint64(qBound(1, minutes, 60));
}

QUrlQuery buildUploadForm(const StationValues &v, const UploadSettings &settings,
    const QDateTime &utcNow, const WuCredentialState &accepted)
{
    QUrlQuery form;
    addInt(form, QStringLiteral("id"), settings.serialNumber);
    addField(form, QStringLiteral("pw"), settings.password);
    addField(form, QStringLiteral("utc"), utcText(utcNow));
    for (const auto &field : readings)
        addDouble(form, QLatin1String(field.first), v.*field.second);

    double analog = 0;
    if (analogOfType(v, 1, &analog))
        addDouble(form, QStringLiteral("stc"), analog);
    if (analogOfType(v, 2, &analog))
        addDouble(form, QStringLiteral("smp"), analog);
    if (analogOfType(v, 3, &analog))
        addDouble(form, QStringLiteral("sr"), analog);
    if (analogOfType(v, 5, &analog)) {
        if (!v.isRejected("wbgt_c"))
            addDouble(form, QStringLiteral("wbgt"), v.wbgt);
        addDouble(form, QStringLiteral("gtc"), analog);
    }

    addInt(form, QStringLiteral("vi"), v.batteryVoltage);
    addInt(form, QStringLiteral("vs"), v.inputVoltage);
    addInt(form, QStringLiteral("cs"), v.chargerStatus);
    addInt(form, QStringLiteral("ti"), v.cmTemperature);
    addInt(form, QStringLiteral("css"), 0);
    addDouble(form, QStringLiteral("rin"), v.rainDay);
    addDouble(form, QStringLiteral("rrt"), v.rainRate);

    if (!settings.wuUsername.isEmpty() && !settings.wuPassword.isEmpty()
        && (settings.wuUsername != accepted.lastUsername
            || settings.wuPassword != accepted.lastPassword)) {
        addField(form, QStringLiteral("wuu"), settings.wuUsername);
        addField(form, QStringLiteral("wup"), settings.wuPassword);
    }
    return form;
}

QUrlQuery buildCredentialTestForm(
    int serialNumber, const QString &password, const QDateTime &utcNow)
{
    QUrlQuery form;
    addInt(form, QStringLiteral("id"), serialNumber);
    addField(form, QStringLiteral("pw"), password);
    addField(form, QStringLiteral("utc"), utcText(utcNow));
    return form;
}

QByteArray encodeForm(const QUrlQuery &form)
{
    return form.toString(QUrl::FullyEncoded).toUtf8();
}

QString fixed6(double value)
{
    return QString::number(value, 'f', 6);
}

QString credentialReplyText(const QByteArray &body)
{
    return QString::fromUtf8(
        body.constData(), int(qstrnlen(body.constData(), size_t(body.size()))));
}

bool credentialsAccepted(const QByteArray &body)
{
    // "unsuccessful" holds "success": any refusal anywhere in the body wins.
    if (body.toLower().contains("unsuccess"))
        return false;
    return credentialReplyText(body).contains(QLatin1String("success"));
}

bool uploadRejected(const QByteArray &body)
{
    return body.contains("invaliduser");
}
