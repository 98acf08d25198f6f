// Wire voltage drop: AWG size, current and length in; the resistance per metre and the drop
// for copper and aluminium out; a hint, and the button to the AWG table.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    OForm {
        OFieldRow {
            caption: qsTr("Wire size, AWG")
            // The hint teaches "4/0"; "18.0" and blanks are read too.
            OTextField { outlet: "textAWGNum"; acceptedCharacters: "/. "; Layout.fillWidth: true }
        }
        OFieldRow {
            caption: qsTr("Current, A")
            OTextField { outlet: "textCurrent"; Layout.fillWidth: true }
        }
        OFieldRow {
            caption: qsTr("Cable length (one way), m")
            OTextField { outlet: "textLength"; Layout.fillWidth: true }
        }

        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "labelResult1" }
            OResult { outlet: "labelResult2"; emphasized: true }
            OResult { outlet: "labelResult3"; emphasized: true }
        }

        OLabel {
            outlet: "labelHint"
            Layout.fillWidth: true
            font.pixelSize: OStyle.smallFontSize
            textColor: OStyle.secondaryText
        }

        OButton {
            outlet: "buttonWireInfo"
            kind: "primary"
            Layout.alignment: Qt.AlignHCenter
        }
    }
}
