// Inductor colour code: a drawing of the inductor with the chosen bands, the four band
// wheels under their captions, and the result line.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property PickerBridge picker: screen ? screen.outlet("pickerView") : null

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: OStyle.margin
        spacing: 14

        OResistorDrawing {
            picker: root.picker
            Layout.fillWidth: true
            Layout.preferredHeight: 64
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Repeater {
                model: [qsTr("1st"), qsTr("2nd"), qsTr("Mult."), qsTr("Tol.")]
                Text {
                    required property string modelData
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    horizontalAlignment: Text.AlignHCenter
                    text: modelData
                    font.pixelSize: OStyle.smallFontSize
                    color: OStyle.secondaryText
                }
            }
        }

        OPicker {
            screen: root.screen
            outlet: "pickerView"
            Layout.fillWidth: true
        }

        OLabel {
            screen: root.screen
            outlet: "labelResults"
            Layout.fillWidth: true
            Layout.topMargin: 6
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: 19
            font.weight: Font.DemiBold
        }

        Item { Layout.fillHeight: true }
    }
}
