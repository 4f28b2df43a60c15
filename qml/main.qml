import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15
import "dashboard"
import "settings"
import "dashboard/Format.js" as Format

// The main window: one of the two dashboards, chosen by Settings.viewMode and
// scaled as a whole with the window; the history view over them; the
// settings window; link errors.
ApplicationWindow {
    id: applicationWindow
    objectName: "applicationWindow"

    readonly property real pageScale: Format.pageScale(width, height, footer.height)
    property bool historyShown: false

    visible: true
    title: qsTr("Quorin Sky Quill")
    width: 770
    height: 670 + footer.height
    minimumWidth: 770
    minimumHeight: 670

    // The settings window must not keep the program running on its own.
    onClosing: Qt.quit()

    // Holds no buttons; only its height enters the scaling.
    footer: TabBar {
        id: footerBar
    }

    Rectangle {
        anchors.fill: parent
        color: Settings.backgroundColor

        StackLayout {
            id: stack
            objectName: "stack"
            anchors.fill: parent
            currentIndex: Settings.viewMode
            visible: !applicationWindow.historyShown

            StandardPage {
                id: standardPage
                objectName: "standardPage"
                Layout.minimumWidth: width
                Layout.maximumWidth: width
                Layout.minimumHeight: height
                Layout.maximumHeight: height
                transformOrigin: Item.TopLeft
                scale: applicationWindow.pageScale
                onShowSettings: settingsWindow.show()
                onShowHistory: applicationWindow.toggleHistory()
            }

            AviationPage {
                id: aviationPage
                objectName: "aviationPage"
                Layout.minimumWidth: width
                Layout.maximumWidth: width
                Layout.minimumHeight: height
                Layout.maximumHeight: height
                transformOrigin: Item.TopLeft
                scale: applicationWindow.pageScale
                onShowSettings: settingsWindow.show()
                onShowHistory: applicationWindow.toggleHistory()
            }
        }

        // Made on first opening, so it costs nothing until then.
        Loader {
            id: historyLoader
            objectName: "historyLoader"
            anchors.fill: parent
            active: false
            visible: applicationWindow.historyShown
            source: "history/HistoryView.qml"
        }
        Connections {
            target: historyLoader.item
            function onClose() {
                applicationWindow.historyShown = false
            }
        }
    }

    Shortcut {
        sequence: "Ctrl+H"
        onActivated: applicationWindow.toggleHistory()
    }
    Shortcut {
        sequence: "Escape"
        enabled: applicationWindow.historyShown
        onActivated: applicationWindow.historyShown = false
    }

    function toggleHistory() {
        historyLoader.active = true
        historyShown = !historyShown
    }

    LinkFailureDialog {
        id: messageDialog
        objectName: "messageDialog"
        onOpenSettings: settingsWindow.showPage(1)
    }

    SettingsWindow {
        id: settingsWindow
        objectName: "settingsWindow"
    }

    Connections {
        target: ModbusPort
        function onOpenPortFailed() {
            var text = "Failed to open port " + Settings.getSerialPort()
            console.log(text)
            applicationWindow.showError(text)
        }
        function onOpenSocketFailed() {
            console.log("Failed to open socket to tcp server")
            applicationWindow.showError("Failed to open socket to " + Settings.modbusIP + ":"
                                        + Settings.modbusPort)
        }
    }

    function showError(text) {
        messageDialog.text = text
        messageDialog.informativeText = ModbusPort.linkFailureText
        messageDialog.open()
    }
}
