import QtQuick 2.15
import "../controls"

// A field that shows a stored setting: at creation, whenever the setting
// changes and after every edit, so it never goes on showing a text that the
// store refused. The owner writes the setting in onCommitted.
BoxedInput {
    id: field

    property var stored
    signal committed

    function restore() {
        text = stored === undefined ? "" : String(stored)
    }

    function commit() {
        committed()
        restore()
    }

    onStoredChanged: restore()
    Component.onCompleted: restore()
    onEditingFinished: commit()

    // A text that the validator finds incomplete ends no edit by itself; the
    // stored value comes back instead, and nothing is written.
    Keys.onReturnPressed: event.accepted = field.dropIncomplete()
    Keys.onEnterPressed: event.accepted = field.dropIncomplete()
    onActiveFocusChanged: {
        if (!activeFocus)
            dropIncomplete()
    }

    function dropIncomplete() {
        if (acceptableInput)
            return false
        restore()
        return true
    }
}
