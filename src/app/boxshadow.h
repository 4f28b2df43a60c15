#pragma once

#include <QColor>
#include <QImage>
#include <QQuickItem>

// The shadow of a rounded box: the box's shape blurred by a Gaussian of
// standard deviation `deviation`, filled with `color`. Drawn from a picture
// computed once per size and colour, so that it looks the same whichever
// scene graph draws it: OpenGL, or Qt Quick's software renderer, which has
// no shaders.
struct ShadowShape
{
    qreal boxWidth = 0; // the box, centred in the picture
    qreal boxHeight = 0;
    qreal cornerRadius = 0;
    qreal deviation = 1;
    QColor color;
};

// The shadow as a premultiplied picture of `pixels`, the item's size times
// `scale`. Only a corner's worth of each edge differs from its neighbour, so
// one patch of corners is computed and its middle row and column are
// repeated.
QImage boxShadowImage(const ShadowShape &shape, QSize pixels, qreal scale);

class BoxShadow : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(QColor color MEMBER color NOTIFY shapeChanged)
    Q_PROPERTY(qreal boxWidth MEMBER boxWidth NOTIFY shapeChanged)
    Q_PROPERTY(qreal boxHeight MEMBER boxHeight NOTIFY shapeChanged)
    Q_PROPERTY(qreal cornerRadius MEMBER cornerRadius NOTIFY shapeChanged)
    Q_PROPERTY(qreal deviation MEMBER deviation NOTIFY shapeChanged)
    // The resolution of the layer the shadow is drawn into.
    Q_PROPERTY(qreal renderScale MEMBER renderScale NOTIFY shapeChanged)

public:
    explicit BoxShadow(QQuickItem *parent = nullptr);

signals:
    void shapeChanged();

protected:
    QSGNode *updatePaintNode(QSGNode *old, UpdatePaintNodeData *) override;
    void geometryChanged(const QRectF &newGeometry, const QRectF &oldGeometry) override;

private:
    void markStale();

    QColor color;
    qreal boxWidth = 0;
    qreal boxHeight = 0;
    qreal cornerRadius = 0;
    qreal deviation = 1;
    qreal renderScale = 1;
    bool stale = true;
};
