import QtQuick 2.15
import QtQuick.Controls 2.15
import QtGraphicalEffects 1.15

// The look of every box: the title stands above a rounded frame that casts a
// shadow to the lower right.
GroupBox {
    id: control

    property bool centredTitle: false

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

        DropShadow {
            anchors.fill: frame
            source: frame
            horizontalOffset: 2
            verticalOffset: 2
            radius: 10
            samples: 21
            color: Settings.shadowColor
            // The frame only changes with the theme: blur it once, not every
            // frame the needles move.
            cached: true
        }

        Rectangle {
            id: frame
            anchors.fill: parent
            radius: 10
            color: Settings.backgroundColor
            border.color: Settings.textColor
        }
    }
}
