import QtQuick 2.15

// The settings-lock box of tab 3.
Item {
    id: lockSetting

    property alias resultText: resultText.text

    // Clears the "Password saved" note when the settings window is shown.
    function refresh() {
        resultText.text = ""
    }

    Text {
        id: resultText
        objectName: "lockResultText"
        color: Settings.textColor
    }
}
