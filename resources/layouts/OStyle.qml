// OStyle: the look shared by every screen (a singleton): every colour, size and spacing.
//
//   color: OStyle.accent            font.pixelSize: OStyle.fontSize
//
// Light or dark follows the desktop: the app is dark when the system palette's window colour
// is dark (read at start and whenever the palette changes). Colours a screen sets in the
// model (a row's shading, a list's border) pass through modelColor(), which mirrors greys for
// the dark look and keeps real colours, such as the resistor swatches, as they are.
//
// Sizes are in points of the widget model, which the window draws one pixel per point.
pragma Singleton
import QtQuick

QtObject {
    id: style

    readonly property SystemPalette system: SystemPalette { colorGroup: SystemPalette.Active }
    readonly property bool dark: system.window.hslLightness < 0.5

    // Surfaces.
    readonly property color background: dark ? "#1c1c1e" : "#ffffff"
    readonly property color surface: dark ? "#2c2c2e" : "#f2f4f8"
    readonly property color barBackground: dark ? "#232325" : "#f6f6f8"
    readonly property color separator: dark ? "#3a3a3c" : "#d1d1d6"
    readonly property color pressed: dark ? "#26ffffff" : "#1f000000"
    readonly property color focusTint: dark ? "#335aa2ff" : "#1f0a64c8"

    // Text.
    readonly property color text: dark ? "#f2f2f7" : "#1c1c1e"
    readonly property color secondaryText: dark ? "#a1a1a8" : "#6e6e73"
    // Error and message lines where a result would be ("Incorrect input", "f = n/a").
    readonly property color message: dark ? "#ff8a7a" : "#b3261e"
    readonly property color selection: dark ? "#4d5aa2ff" : "#400a64c8"

    // Controls.
    readonly property color accent: dark ? "#5aa2ff" : "#0a64c8"
    readonly property color primaryButton: dark ? "#2f7be0" : "#0a64c8"
    readonly property color primaryButtonText: "#ffffff"
    readonly property color secondaryButton: dark ? "#263549" : "#e6eef9"
    readonly property color destructive: dark ? "#ff6961" : "#d92b2b"
    readonly property color destructiveText: "#ffffff"
    readonly property color fieldBackground: dark ? "#2c2c2e" : "#ffffff"
    readonly property color fieldBorder: dark ? "#55555a" : "#c7c7cc"
    readonly property color disabledText: dark ? "#6e6e73" : "#a1a1a8"

    // Picker wheels: the frame around the chosen row and the edge of a colour swatch, which
    // keeps black visible on the dark background and white on the light one.
    readonly property color wheelFrame: accent
    readonly property color swatchEdge: "#8e8e93"

    // Tables drawn by the layouts (the wire table): the header row and every other row.
    readonly property color tableHeader: "#3a6ea5"
    readonly property color tableHeaderText: "#ffffff"
    readonly property color stripe: dark ? "#10ffffff" : "#0d000000"


    // Indicator lights and the drawings of parts (the same in both looks: they show things).
    readonly property color success: "#34c759"     // a server running, data arriving
    readonly property color warning: "#ff9500"     // data going out
    readonly property color lightOff: dark ? "#3a3a3c" : "#e5e5ea"
    readonly property color chipBody: "#232427"
    readonly property color chipMarking: "#f4f4f4"
    readonly property color chipEnd: "#c9cbd0"
    readonly property color chipEndEdge: "#9a9ca2"

    // Type.
    // Text files, whose columns are aligned by spaces.
    readonly property string monospaceFamily: "monospace"
    readonly property real fontSize: 17
    readonly property real smallFontSize: 13
    readonly property real captionFontSize: 15
    readonly property real headingFontSize: 18
    readonly property real titleFontSize: 17
    readonly property real minimumTitleFontSize: 13
    readonly property real resultFontSize: 19
    readonly property real swatchFontSize: 12
    // The smallest a table cell's text is drawn to fit its column.
    readonly property real minimumTableFontSize: 8
    // A sign drawn as a button's face (the zoom buttons' + and -).
    readonly property real symbolFontSize: 24

    // Sizes and spacing.
    readonly property real barHeight: 48
    readonly property real margin: 16
    readonly property real spacing: 10
    readonly property real smallSpacing: 6
    readonly property real tightSpacing: 4
    readonly property real hairline: 1
    // Text inside a list row or a table cell, from its edges.
    readonly property real cellInset: 10
    readonly property real tableCellPadding: 5
    readonly property real buttonPadding: 8
    readonly property real buttonTextPadding: 16
    readonly property real radius: 8
    // The smallest size of anything a finger taps.
    readonly property real touchTarget: 44
    readonly property real fieldWidth: 150
    // The datasheet list's filter field keeps at least this much beside the sort button.
    readonly property real filterMinimumWidth: 200
    readonly property real buttonIconSize: 28
    readonly property real listIconSize: 44
    // A file's type icon in the datasheet list.
    readonly property real fileIconSize: 32
    // The upload screen's status dot and its RX and TX lights.
    readonly property real statusDotSize: 10
    readonly property real lightWidth: 40
    readonly property real lightHeight: 24
    // A question asked over a screen (delete, rename) is at most this wide.
    readonly property real dialogMaxWidth: 420
    readonly property real barImageSize: 36
    // Every screen's content is at most this wide, centred in wider windows.
    readonly property real contentMaxWidth: 600
    readonly property real pickerRowHeight: 44
    // Below this page height a picker shows three rows instead of five.
    readonly property real compactPageHeight: 560
    readonly property real drawingHeight: 64
    readonly property real schematicMaxWidth: 480
    readonly property real consumerListHeight: 176
    readonly property real chipWidth: 180
    readonly property real chipHeight: 72
    readonly property real chipEndWidth: 26
    readonly property real chipMarkingSize: 30

    // The window: a phone's or a tablet's screen at start, and the smallest it may become
    // (a phone held sideways included).
    readonly property size phoneWindow: Qt.size(375, 667)
    readonly property size tabletWindow: Qt.size(768, 1024)
    readonly property size minimumWindow: Qt.size(320, 320)
    readonly property real focusFrameWidth: 2

    // A colour the model gives, as drawn: in the dark look a grey at lightness L becomes white
    // at opacity 1 - L (the light look's shading mirrored); clear and coloured ones stay.
    function modelColor(c) {
        if (!dark || c.a === 0 || c.hsvSaturation > 0.1) return c
        return Qt.rgba(1, 1, 1, (1 - c.hslLightness) * c.a)
    }

    // The room on each side of content that spans a screen `width` wide: the margin, or more
    // to keep it within contentMaxWidth, centred.
    function inset(width) {
        return Math.max(margin, (width - contentMaxWidth) / 2)
    }

    // The source of one of the app's drawings (an SVG drawn in dark ink on white) as the
    // current look shows it: in the dark look with its ink made light and its paper dark
    // (the "drawing" image provider); other pictures as they are.
    function drawing(source) {
        const url = source ? source.toString() : ""
        if (!dark || !url.startsWith("file://") || !url.endsWith(".svg")) return source
        return "image://drawing/dark" + decodeURIComponent(url.substring(7))
    }

    // A colour for text drawn on `c`: black on light colours, white on dark ones.
    function textOn(c) {
        return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b < 0.55 ? "#ffffff" : "#000000"
    }
}
