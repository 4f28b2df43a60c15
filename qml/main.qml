import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import "dashboard"
import "settings"
import "dashboard/Format.js" as Format

// The main window: one of the two dashboards, chosen by Settings.viewMode and
// scaled as a whole with the window; the settings window; link errors.
ApplicationWindow {
    id: applicationWindow
    objectName: "applicationWindow"

    readonly property real pageScale: Format.pageScale(width, height, footer.height)

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

    // The window's own colour is the pages' background: cleared, not painted.
    color: Settings.backgroundColor

    Item {
        anchors.fill: parent

        StackLayout {
            id: stack
            objectName: "stack"
            anchors.fill: parent
            currentIndex: Settings.viewMode

            StandardPage {
                id: standardPage
                objectName: "standardPage"
                paintsBackground: false
                Layout.minimumWidth: width
                Layout.maximumWidth: width
                Layout.minimumHeight: height
                Layout.maximumHeight: height
                transformOrigin: Item.TopLeft
                scale: applicationWindow.pageScale
                onShowSettings: settingsWindow.show()
            }

            AviationPage {
                id: aviationPage
                objectName: "aviationPage"
                paintsBackground: false
                Layout.minimumWidth: width
                Layout.maximumWidth: width
                Layout.minimumHeight: height
                Layout.maximumHeight: height
                transformOrigin: Item.TopLeft
                scale: applicationWindow.pageScale
                onShowSettings: settingsWindow.show()
            }
        }
    }

    MessageDialog {
        id: messageDialog
        objectName: "messageDialog"
        title: qsTr("Error")
        icon: StandardIcon.Critical
        standardButtons: StandardButton.Ok
        onAccepted: visible = false
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
        messageDialog.open()
    }
}
