// OResistorDrawing: a through-hole resistor whose bands show the colours chosen on a band
// picker (one band per wheel; a wheel on a "none" row draws no band), gold and silver with a
// metallic sheen.
//
//   OResistorDrawing { picker: root.screen.outlet("pickerView"); Layout.fillWidth: true }
import QtQuick
import Ohmkit

Item {
    id: drawing
    property PickerBridge picker
    implicitWidth: 300
    implicitHeight: 64

    // The chosen row of every wheel: {swatch, hasSwatch, text}.
    readonly property var bands: {
        if (!picker) return []
        const chosen = []
        for (let i = 0; i < picker.wheels.length; ++i) {
            const rows = picker.wheels[i].rows
            const row = picker.selectedRows[i]
            chosen.push(row >= 0 && row < rows.length ? rows[row] : { hasSwatch: false, text: "" })
        }
        return chosen
    }

    // Leads.
    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: 3
        color: "#9a9a9f"
    }

    Rectangle {
        id: body
        anchors.centerIn: parent
        width: Math.min(parent.width * 0.72, 320)
        height: parent.height * 0.72
        radius: height / 2.6
        color: "#e9d4a7"
        border.color: "#b89a62"
        border.width: 1.5

        // Bands 1 to 4 to the left, the tolerance and coefficient bands apart on the right.
        // Each band is shaded like the round body and outlined, so that light bands (white,
        // yellow) stand out from it; gold and silver get a stronger, metallic sheen.
        Repeater {
            model: drawing.bands.length
            Rectangle {
                required property int index
                readonly property var band: drawing.bands[index]
                readonly property real step: body.width / 11
                readonly property color tint: band.hasSwatch ? band.swatch : "transparent"
                readonly property bool metallic: drawing.near(tint, 1.0, 215 / 255, 0.0)
                                                 || drawing.near(tint, 192 / 255, 192 / 255, 192 / 255)
                visible: band.hasSwatch && band.text !== "-"
                x: index < 4 ? step * (1.4 + index * 1.2) : step * (7.6 + (index - 4) * 1.2)
                y: 1.5
                width: step * 0.7
                height: body.height - 3
                border.width: 1
                border.color: Qt.darker(tint, metallic ? 1.6 : 1.35)
                gradient: Gradient {
                    GradientStop { position: 0.0; color: Qt.lighter(tint, metallic ? 1.3 : 1.1) }
                    GradientStop { position: metallic ? 0.3 : 0.45; color: tint }
                    GradientStop { position: 1.0; color: Qt.darker(tint, metallic ? 1.5 : 1.2) }
                }
            }
        }
    }

    // Whether a colour is the given red, green and blue (as the model sends it, within rounding).
    function near(c, r, g, b) {
        return Math.abs(c.r - r) < 0.01 && Math.abs(c.g - g) < 0.01 && Math.abs(c.b - b) < 0.01
    }
}
