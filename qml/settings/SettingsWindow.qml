import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Layouts 1.15

// The settings window: its tabs over one page stack, covered by the lock
// overlay while the settings are locked. Closing it only hides it.
ApplicationWindow {
    id: settingsWindow

    visible: false
    title: qsTr("Quorin Sky Quill Settings")
    width: 770
    height: 670 + tabs.height

    footer: TabBar {
        id: tabs
        objectName: "tabs"

        TabButton {
            text: qsTr("Units")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Modbus")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Advanced")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Web Portal")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("MQTT")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Networks")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Data Quality")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Alarms")
            font.pixelSize: 12
        }
        TabButton {
            text: qsTr("Web")
            font.pixelSize: 12
        }
    }

    Rectangle {
        anchors.fill: parent
        color: Settings.backgroundColor

        StackLayout {
            id: stack
            objectName: "settingsStack"
            anchors.fill: parent
            // Nor by keyboard while the lock covers them.
            enabled: !passwordOverlay.visible
            currentIndex: tabs.currentIndex
            onCurrentIndexChanged: {
                if (currentIndex === 1)
                    modbusPage.refresh()
            }

            UnitsPage {
                id: unitsPage
                objectName: "unitsPage"
            }
            ModbusPage {
                id: modbusPage
                objectName: "modbusPage"
            }
            PageAdvancedSettings {
                id: pageAdvancedSettings
                objectName: "pageAdvancedSettings"
            }
            WebPortalPage {
                id: webPortalPage
                objectName: "webPortalPage"
            }
            MqttPage {
                id: mqttPage
                objectName: "mqttPage"
            }
            NetworksPage {
                id: networksPage
                objectName: "networksPage"
            }
            QualityPage {
                id: qualityPage
                objectName: "qualityPage"
            }
            AlarmsPage {
                id: alarmsPage
                objectName: "alarmsPage"
            }
            WebPage {
                id: webPage
                objectName: "webPage"
            }
        }

        PasswordOverlay {
            id: passwordOverlay
            objectName: "passwordOverlay"
            anchors.fill: parent
        }
    }

    // Shows the window on the page at `index` (1: Modbus), for the error dialog.
    function showPage(index) {
        tabs.currentIndex = index
        if (visible)
            raise()
        else
            show()
        requestActivate()
    }

    onVisibleChanged: {
        if (!visible)
            return
        passwordOverlay.visible = Settings.settingsLocked
        pageAdvancedSettings.lockSetting.refresh()
    }
}
