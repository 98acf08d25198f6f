// OResistorDrawing: a through-hole resistor whose bands show the colours chosen on a band
// picker (one band per wheel; a wheel on a "none" row draws no band).
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
        Repeater {
            model: drawing.bands.length
            Rectangle {
                required property int index
                readonly property var band: drawing.bands[index]
                readonly property real step: body.width / 11
                visible: band.hasSwatch && band.text !== "-"
                x: index < 4 ? step * (1.4 + index * 1.2) : step * (7.6 + (index - 4) * 1.2)
                y: 1.5
                width: step * 0.7
                height: body.height - 3
                color: band.swatch
            }
        }
    }
}
