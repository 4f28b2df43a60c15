import QtQuick 2.15

// A button of just the icon, drawn as a tool button of the control style
// draws it (within a padding of 6 px), without loading the controls for the
// first frame; Space or Return presses it when it has the keyboard focus.
Item {
    id: button

    property alias source: icon.source
    property string name
    // The resolution the icon is decoded at: as sharp as the page is shown.
    property real renderScale: 1

    signal clicked

    width: 30
    height: 30
    activeFocusOnTab: true
    Accessible.role: Accessible.Button
    Accessible.name: name
    Accessible.onPressAction: button.clicked()
    Keys.onSpacePressed: button.clicked()
    Keys.onReturnPressed: button.clicked()

    Image {
        id: icon
        anchors.centerIn: parent
        width: 18
        height: 18
        sourceSize: Qt.size(18 * button.renderScale, 18 * button.renderScale)
    }

    MouseArea {
        anchors.fill: parent
        onClicked: button.clicked()
    }
}
