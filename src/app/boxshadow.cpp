#include "boxshadow.h"

#include <QQuickWindow>
#include <QSGImageNode>
#include <QtQml>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Signed distance from (x, y), relative to the box's centre, to a rounded box
// of half size (hx, hy): negative inside.
double roundedBoxDistance(double x, double y, double hx, double hy, double r)
{
    const double px = std::abs(x) - hx + r;
    const double py = std::abs(y) - hy + r;
    const double outside = std::hypot(std::max(px, 0.0), std::max(py, 0.0));
    return outside + std::min(std::max(px, py), 0.0) - r;
}

void registerTypes()
{
    qmlRegisterType<BoxShadow>("Skyquill.Drawing", 1, 0, "BoxShadow");
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(registerTypes)

QImage boxShadowImage(const ShadowShape &shape, QSize pixels, qreal scale)
{
    if (pixels.isEmpty() || scale <= 0)
        return {};
    const double r = std::max(0.0, double(shape.cornerRadius)) * scale;
    const double sigma = std::max(1e-3, double(shape.deviation)) * scale;
    const double hx = shape.boxWidth * scale / 2, hy = shape.boxHeight * scale / 2;
    const double cx = pixels.width() / 2.0, cy = pixels.height() / 2.0;
    // Beyond this distance from a picture's edge the rows and columns repeat:
    // the edge of the shadow is straight there. (A box larger than the
    // picture, as bindings may pass on the way, leaves nothing to repeat.)
    const int reachX = std::max(0, int(std::ceil(cx - hx + r)) + 1);
    const int reachY = std::max(0, int(std::ceil(cy - hy + r)) + 1);
    const int w = pixels.width(), h = pixels.height();
    auto columnOf = [&](int x) { return x < reachX || x >= w - reachX ? x : reachX; };
    auto rowOf = [&](int y) { return y < reachY || y >= h - reachY ? y : reachY; };

    const QColor c = shape.color.toRgb();
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        if (rowOf(y) != y) {
            std::memcpy(line, image.constScanLine(reachY), size_t(w) * sizeof(QRgb));
            continue;
        }
        for (int x = 0; x < w; ++x) {
            if (columnOf(x) != x) {
                line[x] = line[reachX];
                continue;
            }
            const double d = roundedBoxDistance(x + 0.5 - cx, y + 0.5 - cy, hx, hy, r);
            const double cover = 0.5 - 0.5 * std::erf(d / (sigma * std::sqrt(2.0)));
            const double a = cover * c.alphaF();
            line[x] = qRgba(int(std::lround(c.redF() * a * 255)),
                int(std::lround(c.greenF() * a * 255)), int(std::lround(c.blueF() * a * 255)),
                int(std::lround(a * 255)));
        }
    }
    return image;
}

BoxShadow::BoxShadow(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents);
    connect(this, &BoxShadow::shapeChanged, this, &BoxShadow::markStale);
}

void BoxShadow::markStale()
{
    stale = true;
    update();
}

void BoxShadow::geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry)
{
    QQuickItem::geometryChanged(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size())
        markStale();
}

QSGNode *BoxShadow::updatePaintNode(QSGNode *old, UpdatePaintNodeData *)
{
    auto *node = static_cast<QSGImageNode *>(old);
    const QSize pixels(
        int(std::ceil(width() * renderScale)), int(std::ceil(height() * renderScale)));
    if (pixels.isEmpty() || !color.isValid()) {
        delete node;
        return nullptr;
    }
    // A new picture gets a new node: one that owns its texture frees it, and
    // whether replacing the texture frees the old one is not promised.
    if (stale || !node) {
        delete node;
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        node->setFiltering(QSGTexture::Linear);
        const ShadowShape shape { boxWidth, boxHeight, cornerRadius, deviation, color };
        node->setTexture(
            window()->createTextureFromImage(boxShadowImage(shape, pixels, renderScale)));
        stale = false;
    }
    node->setRect(boundingRect());
    return node;
}
