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
        var backdrop = box.background.children[0]
        var frame = backdrop.children[1]
        compare(frame.radius, 10)
        verify(Qt.colorEqual(frame.color, Settings.backgroundColor))
        verify(Qt.colorEqual(frame.border.color, Settings.textColor))
        var corner = frame.mapToItem(box.background, 0, 0)
        compare(Qt.size(corner.x, corner.y), Qt.size(0, 0))
        compare(Qt.size(frame.width, frame.height),
                Qt.size(box.background.width, box.background.height))
        // The shadow: the frame's shape 2 px to the lower right, blurred as a
        // Gaussian blur of radius 10 with 21 samples blurs it.
        var shadow = backdrop.children[0]
        compare(Qt.size(shadow.boxWidth, shadow.boxHeight), Qt.size(frame.width, frame.height))
        compare(shadow.cornerRadius, 10)
        var centre = shadow.mapToItem(frame, shadow.width / 2, shadow.height / 2)
        compare(Qt.size(centre.x - frame.width / 2, centre.y - frame.height / 2), Qt.size(2, 2))
        fuzzyCompare(shadow.deviation, 3.3, 0.001)
        verify(Qt.colorEqual(shadow.color, "#A99999FF"))
        // Drawn out to three deviations round the shifted box, where it has
        // faded below one step of colour.
        verify((shadow.width - shadow.boxWidth) / 2 >= 3 * shadow.deviation)
        verify((shadow.height - shadow.boxHeight) / 2 >= 3 * shadow.deviation)
        var reach = 2 + 3 * shadow.deviation

        // Cached, the frame's layer holds all of the shadow; the software
        // renderer, which these tests draw with, draws no layers.
        verify(!backdrop.cachesLayer)
        box.background.cached = true
        verify(backdrop.cachesLayer)
        verify(!backdrop.layer.enabled)
        var inside = frame.mapToItem(backdrop, 0, 0)
        verify(inside.x >= reach && inside.y >= reach)
        verify(backdrop.width - inside.x - frame.width >= reach)
        verify(backdrop.height - inside.y - frame.height >= reach)

        Settings.textColor = "#000000"
        verify(Qt.colorEqual(frame.border.color, "#000000"))
        box.centredTitle = true
        compare(box.label.horizontalAlignment, Text.AlignHCenter)
    }
}
