// Nearest standard resistor value: the resistance typed in, the series to look in, and the
// standard values around it.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    OForm {
        Text {
            Layout.fillWidth: true
            text: qsTr("Resistance in ohms (1 to 10000000; 4k7, 4.7 k, 10 kOhm)")
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        OTextField {
            outlet: "textResistance"
            Layout.fillWidth: true
            // The schematic notations (4k7, 2M2, 47R, 4r7) need letters: the full keyboard,
            // its numbers first.
            inputMethodHints: Qt.ImhPreferNumbers | Qt.ImhNoPredictiveText
        }

        OPicker {
            outlet: "pickerSeries"
            captions: [qsTr("Series")]
            visibleRows: 3
            Layout.fillWidth: true
        }

        OResultsPanel {
            centred: true
            Layout.topMargin: OStyle.smallSpacing
            OResult {
                outlet: "labelResult"
                horizontalAlignment: TextEdit.AlignHCenter
                font.pixelSize: OStyle.resultFontSize
                emphasized: true
            }
        }

        Text {
            Layout.fillWidth: true
            Layout.topMargin: OStyle.smallSpacing
            text: qsTr("A standard value is shown alone; any other value between the standard value below it and the one above.")
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }
    }
}
