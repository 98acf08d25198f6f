// PCB trace width: current, temperature rise, copper weight, length and layer in; the width
// and the track's resistance, drop and loss out.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    OForm {
        ONumberRow { caption: qsTr("Current, A"); outlet: "textCurrent" }
        ONumberRow { caption: qsTr("Temperature rise, C"); outlet: "textRise" }
        ONumberRow { caption: qsTr("Copper weight, oz/ft2"); outlet: "textCopper" }
        ONumberRow { caption: qsTr("Track length, mm"); outlet: "textLength" }
        OButton { actionName: "onToggleLayer"; Layout.alignment: Qt.AlignHCenter }
        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "labelWidth"; emphasized: true }
            OResult { outlet: "labelLoss" }
            OResult { outlet: "labelNote" }
        }
        OHelpLine { outlet: "labelHelp" }
    }
}
