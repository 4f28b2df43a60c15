import QtQuick 2.15

// Settings tab: the console's own web pages.
SettingsPage {
    id: webPage

    WebBox {
        id: webBox
        objectName: "webBox"
        anchors.centerIn: parent
        width: 560
    }
}
