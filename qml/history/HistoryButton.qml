import QtQuick 2.15
import QtQuick.Controls 2.15
import "HistoryFormat.js" as HistoryFormat

// A flat button in the theme's colours; a checked one is filled.
Button {
    id: control

    implicitWidth: Math.max(44, contentItem.implicitWidth + 16)
    implicitHeight: 28
    font.pixelSize: 13
    focusPolicy: Qt.NoFocus

    contentItem: Text {
        text: control.text
        font: control.font
        color: Settings.textColor
        opacity: control.enabled ? 1.0 : 0.3
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }

    background: Rectangle {
        radius: 4
        color: control.checked ? HistoryFormat.translucent(Settings.textColor, 0.25)
                               : control.down ? HistoryFormat.translucent(Settings.textColor, 0.12)
                                              : Settings.backgroundColor
        border.color: HistoryFormat.translucent(Settings.textColor, control.enabled ? 0.5 : 0.2)
    }
}
