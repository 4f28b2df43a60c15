import QtQuick 2.15

// The scale of a round dial: major tick marks every `tickStep` with
// `minorCount` minor ones between, and optional value labels inset towards
// the centre. Angles run clockwise from straight up. Marks and labels are laid
// out as a circular gauge of Qt Quick Extras lays out its default dialScale.
Item {
    id: dialScale

    property real minimumValue: 0
    property real maximumValue: 100
    property real minimumAngle: -145
    property real maximumAngle: 145
    property real tickStep: 10
    property int minorCount: 4
    property bool labels: true
    property color color: Settings.textColor

    readonly property real outerRadius: Math.min(width, height) / 2
    readonly property real labelInset: outerRadius * 0.2
    readonly property real range: maximumValue - minimumValue
    readonly property real sectionAngle: tickStep / range * (maximumAngle - minimumAngle)
    // Whole steps only; a range that is not a multiple of the step gets minor
    // marks in its last part but no major mark or label at its end.
    readonly property real steps: range / tickStep
    readonly property int tickCount: Math.floor(steps) + 1
    readonly property int minorTotal: Math.floor(minorCount * (tickCount - 1)
                                                 + (steps + 1 - tickCount) * (minorCount + 1))

    function minorAngle(index) {
        var major = Math.floor(index / minorCount)
        return minimumAngle + major * sectionAngle
                + ((index % minorCount) + 1) * sectionAngle / (minorCount + 1)
    }

    Repeater {
        model: dialScale.tickCount
        ScaleMark {
            rimRadius: dialScale.outerRadius
            color: dialScale.color
            angle: dialScale.minimumAngle + index * dialScale.sectionAngle
            width: dialScale.outerRadius * 0.03
            height: dialScale.outerRadius * 0.06
        }
    }
    Repeater {
        model: dialScale.minorTotal
        ScaleMark {
            rimRadius: dialScale.outerRadius
            color: dialScale.color
            angle: dialScale.minorAngle(index)
            width: dialScale.outerRadius * 0.02
            height: dialScale.outerRadius * 0.03
        }
    }
    Repeater {
        model: dialScale.labels ? dialScale.tickCount : 0
        Text {
            readonly property real radians: (dialScale.minimumAngle + index * dialScale.sectionAngle - 90) * Math.PI / 180
            readonly property real distance: dialScale.outerRadius - dialScale.labelInset
            x: dialScale.outerRadius - width / 2 + distance * Math.cos(radians)
            y: dialScale.outerRadius - height / 2 + distance * Math.sin(radians)
            text: dialScale.minimumValue + index * dialScale.tickStep
            font.pointSize: 12
            color: dialScale.color
            antialiasing: true
            horizontalAlignment: Text.AlignHCenter
            verticalAlignment: Text.AlignVCenter
        }
    }
}
