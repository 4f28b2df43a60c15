import QtQuick 2.15
import QtQuick.Controls 2.15

// A menu entry drawn inverted while highlighted, faded while disabled.
MenuItem {
    id: item

    opacity: enabled ? 1.0 : 0.3

    contentItem: Text {
        leftPadding: item.indicator ? item.indicator.width : 0
        text: item.text
        font.pixelSize: 12
        color: item.highlighted ? Settings.backgroundColor : Settings.textColor
        horizontalAlignment: Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }

    background: Rectangle {
        color: item.highlighted ? Settings.textColor : Settings.backgroundColor
    }
}
