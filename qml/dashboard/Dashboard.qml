import QtQuick 2.15
import QtQuick.Window 2.15

// What both dashboards share on their 770 x 670 page: the background, the top
// bar with the transfer icon, settings and history buttons and logo, the "No
// Data Connection" banner and the timers behind them. The boxes go in between.
Item {
    id: page

    signal showSettings
    signal showHistory

    default property alias boxes: boxArea.data
    readonly property alias valueFont: dosisBold.name
    // The resolution of the boxes' cached layers: as sharp as the page is
    // shown, whatever its scale.
    readonly property real renderScale: scale * Screen.devicePixelRatio
    // Off where a window of the same colour shows through: a full-page fill
    // is a good part of the cost of a frame on a software renderer.
    property bool paintsBackground: true
    // Whether any update has come since the page was made, and whether the
    // updates have stayed away since ("No Data Connection").
    property bool dataSeen: false
    property bool noData: false

    width: 770
    height: 670

    FontLoader {
        id: dosisBold
        source: "../../fonts/Dosis-Bold.ttf"
    }

    Rectangle {
        anchors.fill: parent
        visible: page.paintsBackground
        color: Settings.backgroundColor
    }

    Item {
        id: boxArea
        anchors.fill: parent
    }

    TransferIcon {
        id: dataTransferIcon
        objectName: "dataTransferIcon"
        x: page.width - width - 5
        y: 5
        visible: false
        color: Settings.textColor
    }

    IconButton {
        id: settingsButton
        objectName: "settingsButton"
        anchors.right: dataTransferIcon.left
        anchors.rightMargin: 10
        anchors.verticalCenter: dataTransferIcon.verticalCenter
        name: qsTr("Settings")
        renderScale: page.renderScale
        source: "../../images/settings.png"
        onClicked: page.showSettings()
    }

    IconButton {
        id: historyButton
        objectName: "historyButton"
        anchors.right: settingsButton.left
        anchors.rightMargin: 6
        anchors.verticalCenter: dataTransferIcon.verticalCenter
        name: qsTr("History")
        renderScale: page.renderScale
        source: "../../images/history.png"
        onClicked: page.showHistory()
    }

    Image {
        id: logoImage
        objectName: "logoImage"
        anchors.right: historyButton.left
        anchors.rightMargin: 10
        anchors.verticalCenter: dataTransferIcon.verticalCenter
        height: 18
        width: height * 147 / 27
        // Decoded at the size it is drawn: no mipmaps to build at start-up.
        sourceSize: Qt.size(width * page.renderScale, height * page.renderScale)
        fillMode: Image.PreserveAspectFit
        source: "../../images/quorinlogo.png"
    }

    AlarmIndicator {
        id: alarmIndicator
        objectName: "alarmIndicator"
        anchors.right: logoImage.left
        anchors.rightMargin: 10
        anchors.verticalCenter: dataTransferIcon.verticalCenter
        z: 1
    }

    Rectangle {
        id: dataNoTransferIcon
        objectName: "dataNoTransferIcon"
        anchors.centerIn: parent
        width: 500
        height: 80
        visible: page.noData
        color: Settings.backgroundColor

        Text {
            objectName: "bannerText"
            anchors.centerIn: parent
            text: qsTr("No Data Connection")
            color: Settings.redColor
            font.pixelSize: 50
        }
    }

    Timer {
        id: dataTransferIconTimer
        objectName: "dataTransferIconTimer"
        interval: 400
        onTriggered: dataTransferIcon.visible = false
    }

    // Running from the start: a station that never answers (wrong baud rate
    // or unit id, a silent hub) must not leave the start values looking like
    // readings.
    Timer {
        id: dataNoTransferIconTimer
        objectName: "dataNoTransferIconTimer"
        interval: 10 * Settings.updateTime
        running: true
        onTriggered: page.noData = true
    }

    Connections {
        target: ModbusPort
        // Not the value signals: they fire on unit changes and new days too.
        function onDataReceived() {
            // Every update, changed or not: a live link blinks in steady
            // weather too. Two frames, on and off.
            dataTransferIcon.visible = true
            dataTransferIconTimer.restart()
            page.dataSeen = true
            page.noData = false
            dataNoTransferIconTimer.restart()
        }
    }

    // A page made after the other one had been running takes over its state
    // of the data flow: the banner as it stands, or its timer anew.
    function continueFrom(other) {
        if (!other || dataSeen)
            return
        dataSeen = other.dataSeen
        noData = other.noData
        if (!noData)
            dataNoTransferIconTimer.restart()
    }

    Component.onCompleted: ModbusPort.start()
    Component.onDestruction: ModbusPort.quit()
}
