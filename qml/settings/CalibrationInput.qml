import QtQuick 2.15
import QtQuick.Layouts 1.15
import "Entry.js" as Entry

// A calibration field: a decimal number within its limits, written as the
// user confirms it; anything else brings the stored value back.
StoredInput {
    id: field

    property real lowest: 0
    property real highest: 0
    signal valueEntered(real value)

    Layout.preferredWidth: 80
    validator: RegularExpressionValidator {
        regularExpression: /\s*[+-]?\d{0,3}([.,]\d{0,3})?\s*/
    }

    onCommitted: {
        var value = Entry.decimalNumber(text, lowest, highest)
        if (value !== null)
            valueEntered(value)
    }
}
