import QtQuick 2.15
import QtTest 1.15

// The real main.qml against the stand-ins: view selection, the scaling rule,
// the link-failure dialog and the settings window with its lock overlay.
TestCase {
    id: testCase
    name: "Windows"
    visible: true
    when: windowShown

    property var window

    function init() {
        Settings.reset()
        ModbusPort.reset()
        var component = Qt.createComponent(Qt.resolvedUrl("../../qml/main.qml"))
        compare(component.status, Component.Ready, component.errorString())
        window = createTemporaryObject(component, testCase)
        verify(window)
        waitForRendering(window.contentItem)
    }

    // Showing and hiding a window before it has drawn once upsets the
    // platform's backing store, so wait for a frame.
    function show(settings) {
        settings.show()
        waitForRendering(settings.contentItem)
    }

    function item(name, parent) {
        var found = findChild(parent || window, name)
        verify(found, "no item " + name)
        return found
    }

    function test_viewFollowsSetting() {
        var standard = item("standardPage")
        compare(item("stack").currentIndex, 0)
        verify(standard.visible)
        // The other page is made when it is first shown.
        compare(findChild(window, "aviationPage"), null)
        compare(ModbusPort.starts, 1)

        Settings.viewMode = 1
        compare(item("stack").currentIndex, 1)
        var aviation = item("aviationPage")
        verify(!standard.visible)
        verify(aviation.visible)

        Settings.viewMode = 0
        verify(standard.visible)
        verify(!aviation.visible)
        // Both pages are kept: each started the acquisition thread once.
        compare(item("aviationPage"), aviation)
        compare(ModbusPort.starts, 2)
    }

    function test_onlyTheShownPageIsMade() {
        window.destroy()
        Settings.viewMode = 1
        var starts = ModbusPort.starts
        window = createTemporaryObject(Qt.createComponent(Qt.resolvedUrl("../../qml/main.qml")),
                                       testCase)
        waitForRendering(window.contentItem)
        verify(item("aviationPage").visible)
        compare(findChild(window, "standardPage"), null)
        compare(ModbusPort.starts, starts + 1)
    }

    function test_pagesKeepTheirDesignSize() {
        window.width = 1000
        window.height = 900
        tryCompare(window.contentItem, "width", 1000)
        var page = item("standardPage")
        compare(page.width, 770)
        compare(page.height, 670)
        compare(page.x, 0)
        compare(page.y, 0)
        compare(page.transformOrigin, Item.TopLeft)
    }

    function test_scaling_data() {
        return [
            { tag: "twice as wide", width: 1540, height: 670, scale: 1 },
            { tag: "twice the size", width: 1540, height: 1340, scale: 2 },
            { tag: "twice as high", width: 770, height: 1340, scale: 1 },
            { tag: "one and a half", width: 1155, height: 1200, scale: 1.5 }
        ]
    }

    function test_scaling(data) {
        var footer = window.footer.height
        window.width = data.width
        window.height = data.height + footer
        // The window takes its new size when the platform confirms it.
        tryCompare(window.contentItem, "width", data.width)
        tryCompare(window.contentItem, "height", data.height)
        tryCompare(item("standardPage"), "scale", data.scale)
        // A page made later comes at the same scale.
        Settings.viewMode = 1
        compare(item("aviationPage").scale, data.scale)
    }

    function test_linkFailureDialog() {
        // Made with the first failure.
        compare(findChild(window, "messageDialog"), null)
        ModbusPort.openPortFailed()
        var dialog = item("messageDialog")
        compare(dialog.title, "Error")
        compare(dialog.text, "Failed to open port COM7")
        verify(dialog.visible)

        // A second failure while the dialog is open replaces its text.
        ModbusPort.openSocketFailed()
        compare(dialog.text, "Failed to open socket to 10.1.2.3:1502")
        verify(dialog.visible)

        dialog.accept()
        tryCompare(dialog, "visible", false)
        Settings.serialPort = "/dev/ttyUSB1"
        ModbusPort.openPortFailed()
        compare(dialog.text, "Failed to open port /dev/ttyUSB1")
        verify(dialog.visible)
        dialog.close()
    }

    function test_settingsButtonOpensSettings() {
        // Made hidden when first asked for, then kept.
        compare(findChild(window, "settingsWindow"), null)
        var settings = window.ensureSettingsWindow()
        compare(item("settingsWindow"), settings)
        verify(!settings.visible)
        item("standardPage").showSettings()
        verify(settings.visible)
        waitForRendering(settings.contentItem)
        settings.close()
        verify(!settings.visible)
        Settings.viewMode = 1
        item("aviationPage").showSettings()
        compare(window.ensureSettingsWindow(), settings)
        verify(settings.visible)
        waitForRendering(settings.contentItem)
        settings.close()
    }

    function test_lockOverlay() {
        Settings.settingsLocked = true
        Settings.lockPassword = "secret"
        var settings = window.ensureSettingsWindow()
        var overlay = item("passwordOverlay", settings)
        var box = item("passwordBox", settings)
        show(settings)
        verify(overlay.visible)

        box.text = "wrong"
        box.editingFinished()
        compare(Settings.passwordsTried, ["wrong"])
        verify(overlay.visible)
        compare(box.text, "wrong")

        box.text = "secret"
        box.editingFinished()
        verify(!overlay.visible)
        compare(box.text, "")

        // Closing and reopening covers the pages again.
        settings.close()
        show(settings)
        verify(overlay.visible)

        // The state is taken at showing, not while the window is open.
        Settings.settingsLocked = false
        verify(overlay.visible)
        settings.close()
        show(settings)
        verify(!overlay.visible)
        settings.close()
    }

    function test_showingClearsLockResult() {
        var settings = window.ensureSettingsWindow()
        var lock = item("lockSetting", settings)
        lock.resultText = "Password saved"
        show(settings)
        compare(lock.resultText, "")
        lock.resultText = "Password saved"
        // Showing an open window changes nothing.
        settings.show()
        compare(lock.resultText, "Password saved")
        settings.close()
    }

    function test_refusedLockPasswordIsNotSaid() {
        var settings = window.ensureSettingsWindow()
        var lock = item("lockSetting", settings)
        var input = item("passwordInput", settings)
        show(settings)
        input.text = "fine"
        input.editingFinished()
        compare(lock.resultText, "Password saved")
        input.text = "refused"
        input.editingFinished()
        compare(lock.resultText, "Pick again")
        compare(input.text, "")
        settings.close()
    }

    function test_tabs() {
        var settings = window.ensureSettingsWindow()
        var tabs = item("tabs", settings)
        var stack = item("settingsStack", settings)
        compare(tabs.count, 9)
        compare(tabs.itemAt(0).text, "Units")
        compare(tabs.itemAt(1).text, "Modbus")
        compare(tabs.itemAt(3).text, "Web Portal")
        compare(tabs.itemAt(4).text, "MQTT")
        compare(tabs.itemAt(5).text, "Networks")
        compare(tabs.itemAt(6).text, "Data Quality")
        compare(tabs.itemAt(7).text, "Alarms")
        compare(tabs.itemAt(8).text, "Web")
        compare(tabs.currentIndex, 0)
        compare(Settings.portScans, 0)

        tabs.currentIndex = 1
        compare(stack.currentIndex, 1)
        compare(Settings.portScans, 1)
        tabs.currentIndex = 1
        compare(Settings.portScans, 1)
        tabs.currentIndex = 3
        compare(stack.currentIndex, 3)
        tabs.currentIndex = 1
        compare(Settings.portScans, 2)
        tabs.currentIndex = 4
        compare(stack.currentIndex, 4)
    }

    function test_eachPageHasItsOwnBanner() {
        ModbusPort.dataReceived()
        // A page made after data came goes on from the other's state: its
        // banner comes when the updates stay away ...
        Settings.viewMode = 1
        var aviationBanner = item("dataNoTransferIcon", item("aviationPage"))
        verify(!aviationBanner.visible)
        tryCompare(aviationBanner, "visible", true, 2000)
        Settings.viewMode = 0
        verify(item("dataNoTransferIcon", item("standardPage")).visible)
        ModbusPort.dataReceived()
        verify(!item("dataNoTransferIcon", item("standardPage")).visible)
        verify(!aviationBanner.visible)
    }

    function test_laterPageShowsAStandingBanner() {
        ModbusPort.dataReceived()
        var banner = item("dataNoTransferIcon", item("standardPage"))
        tryCompare(banner, "visible", true, 2000)
        // ... and shows at once a banner that the other page shows.
        Settings.viewMode = 1
        verify(item("dataNoTransferIcon", item("aviationPage")).visible)
    }

    function test_quitOnDestruction() {
        Settings.viewMode = 1
        compare(ModbusPort.quits, 0)
        window.destroy()
        // Once for each page made.
        tryCompare(ModbusPort, "quits", 2)
    }
}
