import QtQuick 2.15
import QtQuick.Controls 2.15
import "../controls"

// The station link could not be opened: what failed, why, and the way to the
// page where the link is set. Over the dashboard, which stays as it is.
Dialog {
    id: dialog

    // "Failed to open port COM1"
    property alias text: headline.text
    // Why, and what to do; empty when the reason is not known.
    property alias informativeText: advice.text

    signal openSettings()

    title: qsTr("Error")
    modal: true
    anchors.centerIn: Overlay.overlay
    width: 460
    padding: 16

    background: Rectangle {
        color: Settings.backgroundColor
        border.color: Settings.textColor
    }

    header: Text {
        text: dialog.title
        font.pixelSize: 15
        font.bold: true
        color: Settings.textColor
        leftPadding: 16
        topPadding: 12
    }

    contentItem: Row {
        spacing: 14

        // The critical sign, drawn here rather than taken from the platform.
        Rectangle {
            id: sign
            width: 32
            height: 32
            radius: 16
            color: Settings.redColor

            Text {
                anchors.centerIn: parent
                text: "!"
                font.pixelSize: 22
                font.bold: true
                color: Settings.backgroundColor
            }
        }

        // A fixed width: wrapped texts whose width followed their height would loop.
        Column {
            width: dialog.availableWidth - sign.width - parent.spacing
            spacing: 8

            Text {
                id: headline
                objectName: "linkFailureHeadline"
                width: parent.width
                font.pixelSize: 13
                color: Settings.textColor
                wrapMode: Text.Wrap
            }
            Text {
                id: advice
                objectName: "linkFailureAdvice"
                width: parent.width
                visible: text !== ""
                font.pixelSize: 12
                color: Settings.textColor
                wrapMode: Text.Wrap
            }
        }
    }

    footer: DialogButtonBox {
        background: null
        alignment: Qt.AlignRight
        spacing: 8
        padding: 12
        rightPadding: 16

        FaceButton {
            objectName: "openSettingsButton"
            text: qsTr("Open Settings")
            DialogButtonBox.buttonRole: DialogButtonBox.ActionRole
            onClicked: {
                dialog.close()
                dialog.openSettings()
            }
        }
        FaceButton {
            objectName: "okButton"
            text: qsTr("OK")
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
    }
}
