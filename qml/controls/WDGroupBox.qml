import QtQuick 2.15
import QtQuick.Controls 2.15

// The look of every box of the settings pages: the title stands above a
// rounded frame that casts a shadow to the lower right. The dashboards lay out
// the same look without a control (DashboardBox).
GroupBox {
    id: control

    property bool centredTitle: false

    font.pixelSize: 15

    label: Text {
        x: control.leftPadding
        width: control.availableWidth
        text: control.title
        font: control.font
        color: Settings.textColor
        opacity: control.enabled ? 1.0 : 0.5
        elide: Text.ElideRight
        horizontalAlignment: control.centredTitle ? Text.AlignHCenter : Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
    }

    background: BoxFrame {
        y: control.topPadding - control.bottomPadding
        width: parent.width
        height: parent.height - control.topPadding + control.bottomPadding
    }
}
