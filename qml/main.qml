import QtQuick 2.15
import QtQuick.Controls 2.15

ApplicationWindow {
    id: applicationWindow
    objectName: "applicationWindow"
    visible: true
    title: qsTr("Quorin Sky Quill")
    width: 770
    height: 670
    minimumWidth: 770
    minimumHeight: 670
    color: Settings.backgroundColor
}
