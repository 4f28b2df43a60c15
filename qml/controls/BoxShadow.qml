import QtQuick 2.15

// The shadow of a rounded box: the box's shape blurred by a Gaussian of
// `deviation` and filled with `color`, computed in one pass, so it needs no
// offscreen buffers and costs next to nothing to set up. It fills its item;
// the box is `boxWidth` x `boxHeight`, centred in it.
ShaderEffect {
    id: shadow

    property color color
    property real boxWidth
    property real boxHeight
    property real cornerRadius
    property real deviation

    readonly property size size: Qt.size(width, height)
    readonly property size halfBox: Qt.size(boxWidth / 2, boxHeight / 2)

    fragmentShader: "
        uniform lowp float qt_Opacity;
        uniform lowp vec4 color;
        uniform highp vec2 size;
        uniform highp vec2 halfBox;
        uniform highp float cornerRadius;
        uniform highp float deviation;
        varying highp vec2 qt_TexCoord0;

        // Abramowitz and Stegun 7.1.26: within 1.5e-7 of the error function.
        highp float erf(highp float x) {
            highp float t = 1.0 / (1.0 + 0.3275911 * abs(x));
            highp float y = 1.0 - ((((1.061405429 * t - 1.453152027) * t + 1.421413741) * t
                                    - 0.284496736) * t + 0.254829592) * t * exp(-x * x);
            return sign(x) * y;
        }

        void main() {
            highp vec2 p = abs((qt_TexCoord0 - 0.5) * size) - halfBox + cornerRadius;
            // Signed distance to the rounded box: negative inside.
            highp float d = length(max(p, 0.0)) + min(max(p.x, p.y), 0.0) - cornerRadius;
            // A Gaussian-blurred edge; with corners much rounder than the blur
            // this is the blurred box to well under one step of colour.
            highp float alpha = 0.5 - 0.5 * erf(d / (deviation * 1.4142136));
            gl_FragColor = color * (alpha * qt_Opacity);
        }"
}
