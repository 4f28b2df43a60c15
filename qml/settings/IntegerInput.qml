import QtQuick 2.15
import "Entry.js" as Entry

// A stored-setting field for whole numbers within its limits: other
// characters cannot be typed, and a number out of range is never passed on.
StoredInput {
    id: field

    property int minimumValue: 0
    property int maximumValue: 0
    signal valueEntered(int value)

    validator: IntValidator {
        bottom: field.minimumValue
        top: field.maximumValue
    }

    // Takes a text as if the user had typed and confirmed it.
    function submit(reading) {
        text = reading
        commit()
    }

    onCommitted: {
        var value = Entry.wholeNumber(text, minimumValue, maximumValue)
        if (value !== null)
            valueEntered(value)
    }
}
