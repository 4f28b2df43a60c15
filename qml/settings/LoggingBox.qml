import QtQuick 2.15
import QtQuick.Controls 2.15
import QtQuick.Dialogs 1.3
import QtQuick.Layouts 1.15
import "Entry.js" as Entry
import "Intervals.js" as Intervals
import "../controls"

// The daily CSV data log (on/off, interval, folder, file-name prefix), the
// debug-log switch and the history archive's. The interval boxes always show
// the stored interval: a choice outside the store's range is moved to its
// nearest limit.
WDGroupBox {
    id: box

    title: qsTr("Logging")
    // The dialog's loader is a second child, so the grid alone sets the size.
    contentHeight: grid.implicitHeight

    function showInterval() {
        minutesSpinBox.value = Intervals.minutes(Settings.updateLogSeconds)
        secondsSpinBox.value = Intervals.seconds(Settings.updateLogSeconds)
    }

    function writeInterval() {
        Settings.updateLogSeconds = Intervals.storable(minutesSpinBox.value, secondsSpinBox.value)
        showInterval()
    }

    // A folder that cannot be used is refused; the field shows the stored one.
    function checkPath(path) {
        if (Settings.pathExists(path))
            Settings.logPath = path
        logPathTextInput.restore()
    }

    Component.onCompleted: showInterval()

    Connections {
        target: Settings
        function onUpdateLogSecondsChanged() {
            box.showInterval()
        }
    }

    GridLayout {
        id: grid
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 8

        WDCheckBox {
            id: logEnabledCheckBox
            objectName: "logEnabledCheckBox"
            Layout.columnSpan: 2
            text: qsTr("Enable")
            checked: Settings.logEnabled
            onToggled: Settings.logEnabled = checked
        }

        BoxText {
            Layout.columnSpan: 2
            text: qsTr("Interval (10 min recommended. 2 seconds minimum):")
        }

        Row {
            Layout.columnSpan: 2

            SpinBox {
                id: minutesSpinBox
                objectName: "minutesSpinBox"
                from: 0
                to: 60
                editable: true
                font.pixelSize: 12
                onValueModified: box.writeInterval()
            }
            BoxText {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr(" minutes ")
            }
            SpinBox {
                id: secondsSpinBox
                objectName: "secondsSpinBox"
                from: 0
                to: 59
                editable: true
                font.pixelSize: 12
                onValueModified: box.writeInterval()
            }
            BoxText {
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr(" seconds")
            }
        }

        Rectangle {
            Layout.columnSpan: 2
            Layout.fillWidth: true
            height: 1
            color: Settings.textColor
        }

        BoxText {
            text: qsTr("Log path:")
        }
        StoredInput {
            id: logPathTextInput
            objectName: "logPathTextInput"
            Layout.fillWidth: true
            stored: Settings.logPath
            onCommitted: box.checkPath(text)
        }

        FaceButton {
            id: browseButton
            objectName: "browseButton"
            Layout.columnSpan: 2
            text: qsTr("Browse")
            onClicked: {
                logPathDialog.active = true
                logPathDialog.item.folder = Entry.folderUrl(Settings.logPath)
                logPathDialog.item.open()
            }
        }

        BoxText {
            text: qsTr("Log prefix:")
        }
        StoredInput {
            id: logPrefixTextInput
            objectName: "logPrefixTextInput"
            Layout.fillWidth: true
            stored: Settings.logPrefix
            onCommitted: Settings.logPrefix = text
        }

        WDCheckBox {
            id: debugLoggingCheckBox
            objectName: "debugLoggingCheckBox"
            Layout.columnSpan: 2
            text: qsTr("Debug Logging")
            checked: Settings.debugLogEnabled
            onToggled: Settings.debugLogEnabled = checked
        }

        // Every minute kept in archive.sqlite for the history view.
        WDCheckBox {
            id: archiveCheckBox
            objectName: "archiveCheckBox"
            Layout.columnSpan: 2
            text: qsTr("History Archive")
            checked: Settings.archiveEnabled
            onToggled: Settings.archiveEnabled = checked
        }
    }

    // Built on first use: the dialog brings a file browser with settings of
    // its own that nothing needs before then.
    Loader {
        id: logPathDialog
        objectName: "logPathDialog"
        active: false

        sourceComponent: FileDialog {
            title: qsTr("Please choose a logging folder")
            selectFolder: true
            selectExisting: true
            onAccepted: {
                var path = Entry.folderPath(fileUrl)
                console.log("selected folder is " + path)
                box.checkPath(path)
            }
        }
    }
}
