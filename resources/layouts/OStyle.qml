// OStyle: the look shared by every screen (a singleton).
//
//   color: OStyle.accent            font.pixelSize: OStyle.fontSize
//
// Sizes are in points of the widget model, which the window draws one pixel per point.
pragma Singleton
import QtQuick

QtObject {
    readonly property color background: "#ffffff"
    readonly property color text: "#1c1c1e"
    readonly property color secondaryText: "#6e6e73"
    readonly property color accent: "#0a64c8"
    readonly property color separator: "#d1d1d6"
    readonly property color barBackground: "#f6f6f8"
    readonly property color pressed: "#1f000000"
    readonly property color destructive: "#d92b2b"
    readonly property color fieldBorder: "#c7c7cc"
    readonly property color success: "#34c759"     // a server running, data arriving
    readonly property color warning: "#ff9500"     // data going out

    readonly property real fontSize: 17
    readonly property real smallFontSize: 13
    readonly property real titleFontSize: 17
    readonly property real barHeight: 48
    readonly property real margin: 16
}
