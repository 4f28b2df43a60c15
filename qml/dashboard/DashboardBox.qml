import QtQuick 2.15
import "../controls"

// A box of a dashboard page, laid out as the group boxes of the settings
// pages are (WDGroupBox), without a control: its title above the frame, its
// content inside with `padding` all round. Frame, shadow, title and content
// are drawn into one cached layer, which is drawn anew only when something in
// the box changes, so that frames in which just the needles move draw the box
// as one picture. A box with moving parts is `live`: only its frame and shadow
// are cached, and its content caches its still parts itself.
Item {
    id: box

    default property alias content: contentArea.data
    property string title
    property real padding: 12
    property bool live: false
    // The page's scale times the screen's pixel ratio: the layers' resolution.
    property real renderScale: 1

    readonly property real spacing: 6
    readonly property real topPadding: padding + (heading.text !== "" ? heading.implicitHeight + spacing : 0)
    readonly property real reach: frame.shadowReach

    // Larger than the box by the shadow's reach, so the layer holds the shadow.
    CachedLayer {
        x: -box.reach
        y: -box.reach
        width: box.width + 2 * box.reach
        height: box.height + 2 * box.reach
        cachesLayer: !box.live
        renderScale: box.renderScale

        BoxFrame {
            id: frame
            x: box.reach
            y: box.reach + box.topPadding - box.padding
            width: box.width
            height: box.height - box.topPadding + box.padding
            cached: box.live
            renderScale: box.renderScale
        }

        Text {
            id: heading
            x: box.reach + box.padding
            y: box.reach
            width: box.width - 2 * box.padding
            text: box.title
            font.pixelSize: 15
            color: Settings.textColor
            elide: Text.ElideRight
            verticalAlignment: Text.AlignVCenter
        }

        Item {
            id: contentArea
            x: box.reach + box.padding
            y: box.reach + box.topPadding
            width: box.width - 2 * box.padding
            height: box.height - box.topPadding - box.padding
        }
    }
}
