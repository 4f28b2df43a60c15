import QtQuick 2.15

// Settings tab 1: units, view, runway and theme.
Item {
    id: unitsPage
}
