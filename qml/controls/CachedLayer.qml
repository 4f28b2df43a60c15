import QtQuick 2.15

// Still content drawn once into a layer at `renderScale` (the page's scale
// times the screen's pixel ratio) and then drawn as one picture, where that
// pays: with OpenGL. Qt Quick's software renderer repaints only the changed
// parts of the window anyway, and does not repaint a layer whose content
// changed, so there `cachesLayer` leaves the layer off.
Item {
    property bool cachesLayer: true
    property real renderScale: 1

    layer.enabled: cachesLayer && GraphicsInfo.api !== GraphicsInfo.Software
    layer.smooth: true
    layer.textureSize: Qt.size(Math.ceil(width * renderScale), Math.ceil(height * renderScale))
}
