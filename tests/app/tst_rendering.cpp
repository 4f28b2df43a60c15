#include "app/boxshadow.h"
#include "app/scenegraph.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

#if defined(Q_OS_LINUX)
#include <unistd.h>
#endif

class TestRendering : public QObject
{
    Q_OBJECT

private slots:
    void shadowIsABlurredBox();
    void softwareRendererOnlyWithoutAGpu();
};

// A box of 100 x 60 in a picture 24 px larger each way, at twice the
// resolution: beside a straight edge the shadow is a blurred half-plane,
// 0.5 - 0.5 erf(d / (sigma sqrt 2)) of the colour, and it is the same along
// the whole edge, including the rows that are copied rather than computed.
void TestRendering::shadowIsABlurredBox()
{
    ShadowShape shape;
    shape.boxWidth = 100;
    shape.boxHeight = 60;
    shape.cornerRadius = 10;
    shape.deviation = 3;
    shape.color = QColor(0, 0, 255, 200);
    const qreal scale = 2;
    const QImage image = boxShadowImage(shape, QSize(248, 168), scale);
    QCOMPARE(image.size(), QSize(248, 168));

    auto alphaAt = [&](int x, int y) { return qAlpha(image.pixel(x, y)); };
    auto expected = [&](double distance) {
        const double sigma = shape.deviation * scale;
        return 200 * (0.5 - 0.5 * std::erf(distance / (sigma * std::sqrt(2.0))));
    };
    // The box's left edge is at x = 24 px; pixel centres lie half a pixel in.
    for (int x : { 14, 20, 23, 24, 28, 34 }) {
        const double distance = 24 - (x + 0.5);
        for (int y : { 60, 84, 100 })
            QVERIFY2(std::abs(alphaAt(x, y) - expected(distance)) <= 1,
                qPrintable(QStringLiteral("x %1 y %2: %3, not %4")
                               .arg(x)
                               .arg(y)
                               .arg(alphaAt(x, y))
                               .arg(expected(distance))));
    }
    QVERIFY(alphaAt(124, 84) >= 199); // inside
    QCOMPARE(alphaAt(0, 0), 0); // beyond the rounded corner
    // Premultiplied: the colour scales with the cover.
    QCOMPARE(qBlue(image.pixel(24, 84)), alphaAt(24, 84));
    QCOMPARE(qRed(image.pixel(24, 84)), 0);
    // Symmetric about both axes.
    for (const QPoint p : { QPoint(5, 7), QPoint(30, 20), QPoint(40, 84) }) {
        QCOMPARE(image.pixel(p), image.pixel(247 - p.x(), p.y()));
        QCOMPARE(image.pixel(p), image.pixel(p.x(), 167 - p.y()));
    }
    QVERIFY(boxShadowImage(shape, QSize(), scale).isNull());
    // A box larger than its picture, as bindings may pass on the way: covered.
    const QImage covered = boxShadowImage(shape, QSize(20, 10), 1);
    QVERIFY(qAlpha(covered.pixel(0, 0)) >= 199 && qAlpha(covered.pixel(19, 9)) >= 199);
}

void TestRendering::softwareRendererOnlyWithoutAGpu()
{
#if !defined(Q_OS_LINUX)
    QSKIP("the platform chooses its renderer");
#else
    // The tests themselves run with a backend chosen.
    const QByteArray kept = qgetenv("QT_QUICK_BACKEND");
    qunsetenv("QT_QUICK_BACKEND");
    qunsetenv("QMLSCENE_DEVICE");
    qunsetenv("LIBGL_ALWAYS_SOFTWARE");
    QTemporaryDir dri;
    QVERIFY(scenegraph::softwareWanted(dri.path()));
    QVERIFY(scenegraph::softwareWanted(dri.filePath(QStringLiteral("missing"))));

    QFile device(dri.filePath(QStringLiteral("renderD128")));
    QVERIFY(device.open(QIODevice::WriteOnly));
    device.close();
    QVERIFY(!scenegraph::softwareWanted(dri.path()));
    // A GPU this user may not open is none: Mesa would draw on the CPU.
    if (::geteuid() != 0) {
        QVERIFY(device.setPermissions(QFile::ReadOwner));
        QVERIFY(scenegraph::softwareWanted(dri.path()));
        QVERIFY(device.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    }

    qputenv("LIBGL_ALWAYS_SOFTWARE", "1");
    QVERIFY(scenegraph::softwareWanted(dri.path()));
    qputenv("QT_QUICK_BACKEND", "opengl"); // the user's choice wins
    QVERIFY(!scenegraph::softwareWanted(dri.path()));
    qunsetenv("LIBGL_ALWAYS_SOFTWARE");
    qputenv("QT_QUICK_BACKEND", kept);
#endif
}

QTEST_GUILESS_MAIN(TestRendering)
#include "tst_rendering.moc"
