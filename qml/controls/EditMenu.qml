import QtQuick 2.15
import QtQuick.Controls 2.15

// Right-click menu of a text field, built anew on every click.
MouseArea {
    id: area

    property Item editor
    readonly property alias menu: loader.item
    signal menuShown

    anchors.fill: parent
    acceptedButtons: Qt.RightButton

    onPressed: {
        // The press takes the focus and would drop the selection.
        var start = editor.selectionStart
        var end = editor.selectionEnd
        loader.sourceComponent = menuComponent
        loader.item.popup()
        editor.select(start, end)
        area.menuShown()
    }

    Loader {
        id: loader
    }

    Component {
        id: menuComponent

        Menu {
            onClosed: loader.sourceComponent = undefined

            background: Rectangle {
                implicitWidth: 400
                implicitHeight: 40
                color: Settings.backgroundColor
                border.color: Settings.textColor
            }

            EditMenuItem {
                text: qsTr("cut")
                enabled: area.editor.selectedText.length > 0
                onTriggered: area.editor.cut()
            }
            EditMenuItem {
                text: qsTr("copy")
                enabled: area.editor.selectedText.length > 0
                onTriggered: area.editor.copy()
            }
            EditMenuItem {
                text: qsTr("paste")
                enabled: area.editor.canPaste
                onTriggered: area.editor.paste()
            }
        }
    }
}
