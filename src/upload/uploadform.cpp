#include "uploadform.h"

#include "acquisition/stationdata.h"

#include <QLocale>

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

void addDouble(QUrlQuery &form, const QString &key, double value)
{
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
    addDouble(form, QStringLiteral("tc"), v.airTemp);
    addDouble(form, QStringLiteral("rh"), v.humidity);
    addDouble(form, QStringLiteral("rp"), v.pressure);
    addDouble(form, QStringLiteral("rpt"), v.pressureTemp);
    addDouble(form, QStringLiteral("ws"), v.wind);
    addDouble(form, QStringLiteral("wd"), v.windDir);
    addDouble(form, QStringLiteral("ws2"), v.wind2);
    addDouble(form, QStringLiteral("wd2"), v.windDir2);
    addDouble(form, QStringLiteral("ws10"), v.wind10);
    addDouble(form, QStringLiteral("wd10"), v.windDir10);
    addDouble(form, QStringLiteral("wgs"), v.windGust);
    addDouble(form, QStringLiteral("wgd"), v.windDirGust);

    double analog = 0;
    if (analogOfType(v, 1, &analog))
        addDouble(form, QStringLiteral("stc"), analog);
    if (analogOfType(v, 2, &analog))
        addDouble(form, QStringLiteral("smp"), analog);
    if (analogOfType(v, 3, &analog))
        addDouble(form, QStringLiteral("sr"), analog);
    if (analogOfType(v, 5, &analog)) {
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
