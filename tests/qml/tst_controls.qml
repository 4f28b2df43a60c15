import QtQuick 2.15
import QtTest 1.15
import "../../qml/controls"

// The shared components: the framed field with its edit menu, the radio
// button and the box look.
TestCase {
    id: testCase
    name: "Controls"
    width: 400
    height: 300
    visible: true
    when: windowShown

    Component {
        id: fieldComponent
        BoxedInput {
            width: 200
            text: "station one"
        }
    }
    Component {
        id: radioComponent
        Column {
            property alias first: first
            property alias second: second
            WDRadioButton {
                id: first
                text: "Serial"
                checked: true
            }
            WDRadioButton {
                id: second
                text: "Network"
            }
        }
    }
    Component {
        id: boxComponent
        WDGroupBox {
            width: 200
            height: 100
            title: "Units"
        }
    }
    SignalSpy {
        id: menuSpy
        signalName: "menuShown"
    }

    function init() {
        Settings.reset()
    }

    function menuOf(field) {
        return findChild(field, "editMenu")
    }

    function test_fieldLook() {
        var field = createTemporaryObject(fieldComponent, testCase)
        compare(field.inputBox, field)
        compare(field.font.pixelSize, 12)
        verify(Qt.colorEqual(field.color, Settings.textColor))
        verify(field.selectByMouse)
        compare(field.background.opacity, 1)
        field.enabled = false
        compare(field.background.opacity, 0.5)
    }

    function test_menuKeepsSelection() {
        var field = createTemporaryObject(fieldComponent, testCase)
        var area = menuOf(field)
        verify(area)
        menuSpy.target = area
        menuSpy.clear()
        field.select(0, 7)
        mousePress(field, 150, field.height / 2, Qt.RightButton)
        verify(area.menu)
        tryCompare(area.menu, "opened", true)
        compare(menuSpy.count, 1)
        compare(field.selectedText, "station")

        compare(area.menu.count, 3)
        compare(area.menu.itemAt(0).text, "cut")
        compare(area.menu.itemAt(1).text, "copy")
        compare(area.menu.itemAt(2).text, "paste")
        verify(area.menu.itemAt(0).enabled)
        verify(area.menu.itemAt(1).enabled)
        compare(area.menu.itemAt(2).enabled, field.canPaste)
        mouseRelease(field, 150, field.height / 2, Qt.RightButton)

        // Closing empties the loader; the next click builds a new menu.
        area.menu.close()
        tryVerify(function() { return area.menu === null })
    }

    function test_menuWithoutSelection() {
        var field = createTemporaryObject(fieldComponent, testCase)
        var area = menuOf(field)
        field.deselect()
        mousePress(field, 150, field.height / 2, Qt.RightButton)
        verify(area.menu)
        verify(!area.menu.itemAt(0).enabled)
        verify(!area.menu.itemAt(1).enabled)
        compare(area.menu.itemAt(0).opacity, 0.3)
        compare(area.menu.itemAt(2).opacity, area.menu.itemAt(2).enabled ? 1 : 0.3)
        mouseRelease(field, 150, field.height / 2, Qt.RightButton)
        area.menu.close()
    }

    function test_leftButtonIsTheField() {
        var field = createTemporaryObject(fieldComponent, testCase)
        var area = menuOf(field)
        mouseClick(field, 20, field.height / 2, Qt.LeftButton)
        verify(field.activeFocus)
        compare(area.menu, null)
    }

    function test_radioButtonsExclusive() {
        var column = createTemporaryObject(radioComponent, testCase)
        verify(column.first.checked)
        mouseClick(column.second)
        verify(column.second.checked)
        verify(!column.first.checked)
        compare(column.first.contentItem.font.pixelSize, 12)
        verify(Qt.colorEqual(column.first.contentItem.color, Settings.textColor))
        compare(column.first.contentItem.leftPadding,
                column.first.indicator.width + column.first.spacing)
    }

    function test_boxLook() {
        var box = createTemporaryObject(boxComponent, testCase)
        compare(box.font.pixelSize, 15)
        verify(Qt.colorEqual(box.label.color, Settings.textColor))
        compare(box.label.horizontalAlignment, Text.AlignLeft)
        // The frame starts below the title.
        verify(box.background.y >= box.label.y + box.label.height)
        var frame = box.background.children[1]
        compare(frame.radius, 10)
        verify(Qt.colorEqual(frame.color, Settings.backgroundColor))
        verify(Qt.colorEqual(frame.border.color, Settings.textColor))
        var shadow = box.background.children[0]
        compare(shadow.horizontalOffset, 2)
        compare(shadow.verticalOffset, 2)
        compare(shadow.radius, 10)
        compare(shadow.samples, 21)
        verify(Qt.colorEqual(shadow.color, "#A99999FF"))

        Settings.textColor = "#000000"
        verify(Qt.colorEqual(frame.border.color, "#000000"))
        box.centredTitle = true
        compare(box.label.horizontalAlignment, Text.AlignHCenter)
    }
}
