import QtQuick 2.15

// A 12 px text inside a settings box; it fades with a disabled box.
Text {
    font.pixelSize: 12
    color: Settings.textColor
    opacity: enabled ? 1.0 : 0.5
    verticalAlignment: Text.AlignVCenter
}
