import QtQuick 2.15

// Settings tab 7: calibration, the data checks and what they refused. A tab
// of its own: the Advanced page has no room left for the box.
SettingsPage {
    id: qualityPage

    DataQualityBox {
        id: dataQualityBox
        objectName: "dataQualityBox"
        anchors.centerIn: parent
        width: 560
    }
}
