#include "record/stationvalues.h"
#include "upload/portalurl.h"
#include "upload/uploadform.h"

#include <QLocale>
#include <QtTest>

namespace {

const QDateTime utc(QDate(2026, 12, 6), QTime(4, 26, 18), Qt::UTC);

StationValues sampleValues()
{
    StationValues v;
    v.airTemp = 21.3;
    v.humidity = 55.55;
    v.pressure = 1013.25;
    v.pressureRaw = 990.5; // station pressure: never sent
    v.pressureTemp = 23;
    v.wind = 3.4;
    v.windDir = 270;
    v.wind2 = 2.5;
    v.windDir2 = 265;
    v.wind10 = 2.25;
    v.windDir10 = 260;
    v.windGust = 7.125;
    v.windDirGust = 280.5;
    v.batteryVoltage = 13;
    v.inputVoltage = 18;
    v.chargerStatus = 2;
    v.rainDay = 1.27;
    v.rainRate = 0.5;
    v.wbgt = 24.75;
    return v;
}

UploadSettings sampleSettings()
{
    UploadSettings s;
    s.serialNumber = 4711;
    s.password = QStringLiteral("geheim");
    return s;
}

QStringList keys(const QUrlQuery &form)
{
    QStringList list;
    for (const auto &item : form.queryItems(QUrl::FullyDecoded))
        list << item.first;
    return list;
}

QString value(const QUrlQuery &form, const QString &key)
{
    return form.queryItemValue(key, QUrl::FullyDecoded);
}

const QString fixedBody = QStringLiteral(
    "id=4711&pw=geheim&utc=2026-12-06%2004:26&tc=21.300000&rh=55.550000&rp=1013.250000"
    "&rpt=23.000000&ws=3.400000&wd=270.000000&ws2=2.500000&wd2=265.000000&ws10=2.250000"
    "&wd10=260.000000&wgs=7.125000&wgd=280.500000&vi=13&vs=18&cs=2&ti=0&css=0"
    "&rin=1.270000&rrt=0.500000");

} // namespace

class TestUploadForm : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void everyFieldInOrderAndFormat()
    {
        WuCredentialState state;
        const QUrlQuery form = buildUploadForm(sampleValues(), sampleSettings(), utc, state);
        QCOMPARE(QString::fromUtf8(encodeForm(form)), fixedBody);
    }

    void timeIsTakenInUtc()
    {
        WuCredentialState state;
        const QDateTime local(QDate(2026, 12, 6), QTime(6, 26, 59), Qt::OffsetFromUTC, 2 * 3600);
        const QUrlQuery form = buildUploadForm(sampleValues(), sampleSettings(), local, state);
        QCOMPARE(value(form, "utc"), QStringLiteral("2026-12-06 04:26"));
    }

    void numbersIgnoreTheLocale()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        WuCredentialState state;
        const QUrlQuery form = buildUploadForm(sampleValues(), sampleSettings(), utc, state);
        QCOMPARE(QString::fromUtf8(encodeForm(form)), fixedBody);
        QCOMPARE(fixed6(-1234.5), QStringLiteral("-1234.500000"));
    }

    void fixedSixDecimals_data()
    {
        QTest::addColumn<double>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << 21.3 << "21.300000";
        QTest::newRow("negative") << -0.5 << "-0.500000";
        QTest::newRow("rounds up") << 1.23456789 << "1.234568";
        QTest::newRow("negative rounds") << -12.3456784 << "-12.345678";
        QTest::newRow("below resolution") << 0.0000004 << "0.000000";
        QTest::newRow("sentinel") << -999.0 << "-999.000000";
        QTest::newRow("large") << 1.0e6 << "1000000.000000";
        QTest::newRow("integer") << 0.0 << "0.000000";
    }

    void fixedSixDecimals()
    {
        QFETCH(double, input);
        QFETCH(QString, expected);
        QCOMPARE(fixed6(input), expected);
    }

    void analogChannels_data()
    {
        QTest::addColumn<int>("type1");
        QTest::addColumn<double>("value1");
        QTest::addColumn<int>("type2");
        QTest::addColumn<double>("value2");
        QTest::addColumn<QStringList>("optional"); // keys between "wgd" and "vi"
        QTest::addColumn<QStringList>("values");

        QTest::newRow("neither") << 0 << 1.0 << 4 << 2.0 << QStringList() << QStringList();
        QTest::newRow("1 solar, 2 temperature")
            << 3 << 812.5 << 1 << 14.25 << QStringList { "stc", "sr" }
            << QStringList { "14.250000", "812.500000" };
        QTest::newRow("both solar")
            << 3 << 812.5 << 3 << 400.0 << QStringList { "sr" } << QStringList { "812.500000" };
        QTest::newRow("1 globe") << 5 << 30.5 << 0 << 0.0 << QStringList { "wbgt", "gtc" }
                                 << QStringList { "24.750000", "30.500000" };
        QTest::newRow("2 globe") << 0 << 9.0 << 5 << 31.5 << QStringList { "wbgt", "gtc" }
                                 << QStringList { "24.750000", "31.500000" };
        QTest::newRow("both globe") << 5 << 30.5 << 5 << 31.5 << QStringList { "wbgt", "gtc" }
                                    << QStringList { "24.750000", "30.500000" };
        QTest::newRow("2 soil moisture")
            << 0 << 9.0 << 2 << 33.0 << QStringList { "smp" } << QStringList { "33.000000" };
        QTest::newRow("1 moisture, 2 temperature")
            << 2 << -0.25 << 1 << -4.5 << QStringList { "stc", "smp" }
            << QStringList { "-4.500000", "-0.250000" };
        QTest::newRow("1 globe, 2 solar")
            << 5 << 30.5 << 3 << 640.0 << QStringList { "sr", "wbgt", "gtc" }
            << QStringList { "640.000000", "24.750000", "30.500000" };
    }

    void analogChannels()
    {
        QFETCH(int, type1);
        QFETCH(double, value1);
        QFETCH(int, type2);
        QFETCH(double, value2);
        QFETCH(QStringList, optional);
        QFETCH(QStringList, values);

        StationValues v = sampleValues();
        v.analog1Type = type1;
        v.analog1 = value1;
        v.analog2Type = type2;
        v.analog2 = value2;
        WuCredentialState state;
        const QUrlQuery form = buildUploadForm(v, sampleSettings(), utc, state);

        const QStringList all = keys(form);
        const int first = all.indexOf("wgd") + 1;
        QCOMPARE(all.mid(first, all.indexOf("vi") - first), optional);
        QStringList got;
        for (const QString &key : optional)
            got << value(form, key);
        QCOMPARE(got, values);
    }

    void weatherUndergroundTravelsUntilAccepted()
    {
        UploadSettings s = sampleSettings();
        s.wuUsername = QStringLiteral("KSTATION7");
        s.wuPassword = QStringLiteral("wu pass+1");
        WuCredentialState accepted;

        QUrlQuery form = buildUploadForm(sampleValues(), s, utc, accepted);
        QCOMPARE(
            keys(form).mid(keys(form).size() - 4), (QStringList { "rin", "rrt", "wuu", "wup" }));
        QCOMPARE(value(form, "wuu"), s.wuUsername);
        QCOMPARE(value(form, "wup"), s.wuPassword);
        QVERIFY(encodeForm(form).endsWith("&wuu=KSTATION7&wup=wu%20pass%2B1"));
        // Not accepted yet: it goes again.
        QVERIFY(buildUploadForm(sampleValues(), s, utc, accepted).hasQueryItem("wuu"));

        accepted.lastUsername = s.wuUsername;
        accepted.lastPassword = s.wuPassword;
        form = buildUploadForm(sampleValues(), s, utc, accepted);
        QVERIFY(!form.hasQueryItem("wuu"));
        QVERIFY(!form.hasQueryItem("wup"));

        // Either one changed is enough.
        s.wuPassword = QStringLiteral("changed");
        form = buildUploadForm(sampleValues(), s, utc, accepted);
        QCOMPARE(value(form, "wuu"), QStringLiteral("KSTATION7"));
        QCOMPARE(value(form, "wup"), QStringLiteral("changed"));
        s.wuPassword = accepted.lastPassword;
        s.wuUsername = QStringLiteral("KSTATION8");
        QCOMPARE(value(buildUploadForm(sampleValues(), s, utc, accepted), "wuu"),
            QStringLiteral("KSTATION8"));
    }

    void weatherUndergroundNeedsBoth()
    {
        UploadSettings s = sampleSettings();
        WuCredentialState state;
        s.wuUsername = QStringLiteral("KSTATION7");
        QVERIFY(!buildUploadForm(sampleValues(), s, utc, state).hasQueryItem("wuu"));
        s.wuUsername.clear();
        s.wuPassword = QStringLiteral("secret");
        QVERIFY(!buildUploadForm(sampleValues(), s, utc, state).hasQueryItem("wup"));
        QVERIFY(state.lastUsername.isEmpty());
        QVERIFY(state.lastPassword.isEmpty());
    }

    void userTextsSurviveFormDecoding()
    {
        UploadSettings s = sampleSettings();
        s.password = QString::fromUtf8("a+b&c=d %41 \xC3\xBC");
        WuCredentialState state;
        const QUrlQuery form = buildUploadForm(sampleValues(), s, utc, state);
        QVERIFY(encodeForm(form).startsWith("id=4711&pw=a%2Bb%26c%3Dd%20%2541%20%C3%BC&utc="));
        QCOMPARE(value(form, "pw"), s.password);
    }

    void credentialTestForm()
    {
        QCOMPARE(encodeForm(buildCredentialTestForm(0, QString(), utc)),
            QByteArray("id=0&pw=&utc=2026-12-06%2004:26"));
        QCOMPARE(encodeForm(buildCredentialTestForm(200000, QStringLiteral("p w+"), utc)),
            QByteArray("id=200000&pw=p%20w%2B&utc=2026-12-06%2004:26"));
    }

    void portalVerdicts()
    {
        QVERIFY(credentialsAccepted("success"));
        QVERIFY(credentialsAccepted(QByteArray("ok: success\0trailing", 20)));
        // "unsuccess" in any case is a refusal, though it holds "success".
        QVERIFY(!credentialsAccepted("unsuccessful"));
        QVERIFY(!credentialsAccepted("Login UNSUCCESSFUL, success=0"));
        QVERIFY(!credentialsAccepted("login Unsuccess"));
        QVERIFY(!credentialsAccepted(QByteArray("success\0unsuccessful", 21)));
        QVERIFY(!credentialsAccepted("Success"));
        QVERIFY(!credentialsAccepted(""));
        QVERIFY(!credentialsAccepted(QByteArray("\0success", 8)));

        QVERIFY(uploadRejected("invaliduser"));
        QVERIFY(uploadRejected("error: invaliduser (id 12)"));
        QVERIFY(!uploadRejected("InvalidUser"));
        QVERIFY(!uploadRejected(""));
        QVERIFY(!uploadRejected("ok"));
    }

    void uploadPeriod()
    {
        const QDateTime t0(QDate(2026, 6, 1), QTime(12, 0, 0));
        QVERIFY(portalUploadDue(QDateTime(), t0, 10));
        QVERIFY(!portalUploadDue(t0, t0.addSecs(599), 10));
        QVERIFY(portalUploadDue(t0, t0.addSecs(600), 10));
        QVERIFY(portalUploadDue(t0, t0.addSecs(3600), 60));
        QVERIFY(!portalUploadDue(t0, t0.addSecs(3599), 60));
        // Hand-edited minutes: never every cycle, never beyond an hour.
        QVERIFY(!portalUploadDue(t0, t0.addSecs(59), 0));
        QVERIFY(portalUploadDue(t0, t0.addSecs(60), -5));
        QVERIFY(portalUploadDue(t0, t0.addSecs(3600), 1000));
        // A clock set back must not stop uploads until it catches up.
        QVERIFY(portalUploadDue(t0, t0.addSecs(-3600), 10));
    }

    void endpoint()
    {
        const QUrl url = portalUrl();
        QCOMPARE(url.scheme(), QStringLiteral("http"));
        QCOMPARE(url.path(), QStringLiteral("/quorinconnect"));
        QVERIFY(url.host().endsWith(QLatin1String(".example")));

        const QNetworkRequest request = portalRequest();
        QCOMPARE(request.url(), url);
        QCOMPARE(request.header(QNetworkRequest::ContentTypeHeader).toString(),
            QStringLiteral("application/x-www-form-urlencoded"));
        QCOMPARE(request.transferTimeout(), 30000);

        setPortalUrlForTesting(QUrl(QStringLiteral("http://127.0.0.1:9/quorinconnect")));
        setPortalTimeoutForTesting(250);
        QCOMPARE(portalRequest().url().port(), 9);
        QCOMPARE(portalRequest().transferTimeout(), 250);
        setPortalUrlForTesting(QUrl());
        setPortalTimeoutForTesting(0);
        QCOMPARE(portalUrl(), url);
        QCOMPARE(portalRequest().transferTimeout(), 30000);
    }
};

QTEST_GUILESS_MAIN(TestUploadForm)
#include "tst_uploadform.moc"
