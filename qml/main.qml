import QtQuick 2.15
import QtQuick.Layouts 1.15
import QtQuick.Window 2.15
import "dashboard"
import "dashboard/Format.js" as Format

// The main window: one of the two dashboards, chosen by Settings.viewMode and
// scaled as a whole with the window; the history view over them; the settings
// window; link errors. What the first frame does not show is made when it is
// first needed and then kept: the other dashboard, the history view, the
// settings window and the error dialog. No control of Qt Quick Controls is
// needed for the first frame, so their module is loaded only with the others.
Window {
    id: applicationWindow
    objectName: "applicationWindow"

    readonly property real pageScale: Format.pageScale(width, height, footer.height)
    // Where an application window keeps its footer: an empty tab bar of the
    // control style, no higher than this. Only its height enters the scaling.
    readonly property Item footer: footerBar
    property var settingsWindow: null
    property var messageDialog: null
    property bool historyShown: false

    visible: true
    title: qsTr("Quorin Sky Quill")
    width: 770
    height: 670 + footer.height
    minimumWidth: 770
    minimumHeight: 670

    // The settings window must not keep the program running on its own.
    onClosing: Qt.quit()

    Item {
        id: footerBar
        anchors.bottom: parent.bottom
        width: parent.width
        height: 0
    }

    // The window's own colour is the pages' background: cleared, not painted.
    color: Settings.backgroundColor

    Item {
        anchors.fill: parent
        anchors.bottomMargin: footerBar.height

        StackLayout {
            id: stack
            objectName: "stack"
            anchors.fill: parent
            currentIndex: Settings.viewMode
            visible: !applicationWindow.historyShown

            // A page lives from its first showing as long as the window:
            // each keeps the acquisition thread started while it exists.
            function makeCurrentPage() {
                var loader = [standardLoader, aviationLoader][currentIndex]
                if (loader)
                    loader.active = true
            }
            onCurrentIndexChanged: makeCurrentPage()
            Component.onCompleted: makeCurrentPage()

            Loader {
                id: standardLoader
                active: false
                Layout.minimumWidth: Format.designWidth
                Layout.maximumWidth: Format.designWidth
                Layout.minimumHeight: Format.designHeight
                Layout.maximumHeight: Format.designHeight
                sourceComponent: StandardPage {
                    objectName: "standardPage"
                    paintsBackground: false
                    transformOrigin: Item.TopLeft
                    scale: applicationWindow.pageScale
                    onShowSettings: applicationWindow.openSettings()
                    onShowHistory: applicationWindow.toggleHistory()
                }
                onLoaded: item.continueFrom(aviationLoader.item)
            }

            Loader {
                id: aviationLoader
                active: false
                Layout.minimumWidth: Format.designWidth
                Layout.maximumWidth: Format.designWidth
                Layout.minimumHeight: Format.designHeight
                Layout.maximumHeight: Format.designHeight
                sourceComponent: AviationPage {
                    objectName: "aviationPage"
                    paintsBackground: false
                    transformOrigin: Item.TopLeft
                    scale: applicationWindow.pageScale
                    onShowSettings: applicationWindow.openSettings()
                    onShowHistory: applicationWindow.toggleHistory()
                }
                onLoaded: item.continueFrom(standardLoader.item)
            }
        }

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

    // Made hidden the first time it is asked for, then kept and reused.
    function ensureSettingsWindow() {
        if (!settingsWindow)
            settingsWindow = make("settings/SettingsWindow.qml", "settingsWindow")
        return settingsWindow
    }

    function openSettings() {
        ensureSettingsWindow().show()
    }

    function showError(text) {
        if (!messageDialog) {
            messageDialog = make("dashboard/LinkFailureDialog.qml", "messageDialog")
            messageDialog.openSettings.connect(function() {
                ensureSettingsWindow().showPage(1)
            })
        }
        messageDialog.text = text
        messageDialog.informativeText = ModbusPort.linkFailureText
        messageDialog.open()
    }

    function make(url, name) {
        var component = Qt.createComponent(url)
        var object = component.createObject(applicationWindow, { objectName: name })
        if (!object)
            console.warn(component.errorString())
        return object
    }
}
