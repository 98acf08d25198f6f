// Resistor colour code: a drawing of the resistor with the chosen bands, the six band wheels
// under their captions, and the result.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property PickerBridge picker: screen ? screen.outlet("pickerView") : null

    OForm {
        spacing: OStyle.margin

        OResistorDrawing {
            picker: root.picker
            Layout.fillWidth: true
            Layout.preferredHeight: OStyle.drawingHeight
        }

        OPicker {
            outlet: "pickerView"
            captions: [qsTr("1st"), qsTr("2nd"), qsTr("3rd"), qsTr("Mult."), qsTr("Tol."), qsTr("Temp.")]
            visibleRows: root.height < OStyle.compactPageHeight ? 3 : 5
            Layout.fillWidth: true
        }

        OResultsPanel {
            centred: true
            OResult {
                outlet: "labelResults"
                horizontalAlignment: TextEdit.AlignHCenter
                font.pixelSize: OStyle.resultFontSize
                emphasized: true
            }
        }
    }
}
