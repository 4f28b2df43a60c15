import QtQuick 2.15
import "../controls"

// A box of a dashboard page with the common box look. Frame, shadow, title
// and content are drawn into one cached layer, which is drawn anew only when
// something in the box changes, so that frames in which just the needles move
// draw the box as one picture. A box with moving parts is `live`: only its
// frame and shadow are cached, and its content caches its still parts itself.
Item {
    id: box

    default property alias content: group.contentData
    property alias title: group.title
    property alias padding: group.padding
    property bool live: false
    // The page's scale times the screen's pixel ratio: the layers' resolution.
    property real renderScale: 1

    // Larger than the box by the shadow's reach, so the layer holds the shadow.
    Item {
        id: face
        x: -group.shadowReach
        y: -group.shadowReach
        width: box.width + 2 * group.shadowReach
        height: box.height + 2 * group.shadowReach
        layer.enabled: !box.live
        layer.smooth: true
        layer.textureSize: Qt.size(Math.ceil(width * box.renderScale),
                                   Math.ceil(height * box.renderScale))

        WDGroupBox {
            id: group
            x: shadowReach
            y: shadowReach
            width: box.width
            height: box.height
            cacheFrame: box.live
            renderScale: box.renderScale
        }
    }
}
