import QtQuick 2.15
import Skyquill.Drawing 1.0

// The frame of a box and its shadow, 2 px to the lower right as a Gaussian
// blur of the frame with a radius of 10 px (21 samples) would draw it. The
// frame fills this item; the shadow reaches `shadowReach` beyond it. `cached`
// draws both once into a layer of their own, at `renderScale` (the page's
// scale times the screen's pixel ratio).
Item {
    id: box

    property bool cached: false
    property real renderScale: 1
    readonly property real shadowReach: 12

    // Larger than the frame by the shadow's reach, so that a layer holds all
    // of the shadow.
    CachedLayer {
        x: -box.shadowReach
        y: -box.shadowReach
        width: box.width + 2 * box.shadowReach
        height: box.height + 2 * box.shadowReach
        cachesLayer: box.cached
        renderScale: box.renderScale

        BoxShadow {
            x: frame.x + 2 - box.shadowReach
            y: frame.y + 2 - box.shadowReach
            width: frame.width + 2 * box.shadowReach
            height: frame.height + 2 * box.shadowReach
            boxWidth: frame.width
            boxHeight: frame.height
            cornerRadius: frame.radius
            deviation: 11 / 3.3333
            color: Settings.shadowColor
            renderScale: box.renderScale
        }

        Rectangle {
            id: frame
            x: box.shadowReach
            y: box.shadowReach
            width: box.width
            height: box.height
            radius: 10
            color: Settings.backgroundColor
            border.color: Settings.textColor
        }
    }
}
