import QtQuick 2.15
import QtQuick.Controls 2.15

// The look of every box: the title stands above a rounded frame that casts a
// shadow to the lower right.
GroupBox {
    id: control

    property bool centredTitle: false
    // Draws the frame and its shadow once into a layer of their own, at
    // `renderScale` (the page's scale times the screen's pixel ratio).
    property bool cacheFrame: false
    property real renderScale: 1
    // How far the shadow reaches beyond the frame: blur radius plus offset.
    readonly property real shadowReach: 12

    font.pixelSize: 15

    label: Text {
        x: control.leftPadding
        width: control.availableWidth
        text: control.title
        font: control.font
        color: Settings.textColor
        opacity: control.enabled ? 1.0 : 0.5
        elide: Text.ElideRight
        horizontalAlignment: control.centredTitle ? Text.AlignHCenter : Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
    }

    background: Item {
        y: control.topPadding - control.bottomPadding
        width: parent.width
        height: parent.height - control.topPadding + control.bottomPadding

        // Larger than the frame by the shadow's reach, so that a cached layer
        // holds all of the shadow.
        Item {
            x: -control.shadowReach
            y: -control.shadowReach
            width: parent.width + 2 * control.shadowReach
            height: parent.height + 2 * control.shadowReach
            layer.enabled: control.cacheFrame
            layer.smooth: true
            layer.textureSize: Qt.size(Math.ceil(width * control.renderScale),
                                       Math.ceil(height * control.renderScale))

            // As a Gaussian blur of the frame with a radius of 10 px (21
            // samples) would draw it, 2 px to the lower right.
            BoxShadow {
                x: frame.x + 2 - control.shadowReach
                y: frame.y + 2 - control.shadowReach
                width: frame.width + 2 * control.shadowReach
                height: frame.height + 2 * control.shadowReach
                boxWidth: frame.width
                boxHeight: frame.height
                cornerRadius: frame.radius
                deviation: 11 / 3.3333
                color: Settings.shadowColor
            }

            Rectangle {
                id: frame
                x: control.shadowReach
                y: control.shadowReach
                width: parent.width - 2 * control.shadowReach
                height: parent.height - 2 * control.shadowReach
                radius: 10
                color: Settings.backgroundColor
                border.color: Settings.textColor
            }
        }
    }
}
