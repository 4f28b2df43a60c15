import QtQuick 2.15
import QtQuick.Layouts 1.15
import "../controls"

// A box with one row of mutually exclusive radio buttons. `selected` is the
// index of the checked button (-1: none); a click reports `chosen`, and the
// owner writes the setting and moves `selected` to what was stored.
WDGroupBox {
    id: box

    property var labels: []
    property var names: []
    property int selected: -1
    // Spreads the buttons over the box, the last one at the right edge.
    property bool spread: false
    signal chosen(int index)

    width: 360
    height: 70

    RowLayout {
        anchors.fill: parent
        spacing: 10

        Repeater {
            model: box.labels

            WDRadioButton {
                objectName: box.names[index]
                text: modelData
                // The buttons must fit the box's fixed height.
                topPadding: 0
                bottomPadding: 0
                checked: index === box.selected
                Layout.fillWidth: box.spread && index < box.labels.length - 1
                onClicked: box.chosen(index)
            }
        }

        Item {
            visible: !box.spread
            Layout.fillWidth: true
        }
    }
}
