// RC, RL and LC: R, C, L and a frequency in; time constants, cut-off and resonance
// frequencies and reactances out.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    OForm {
        ONumberRow { caption: qsTr("Resistance R, Ohm"); outlet: "textResistance" }
        ONumberRow { caption: qsTr("Capacitance C, uF"); outlet: "textCapacitance" }
        ONumberRow { caption: qsTr("Inductance L, mH"); outlet: "textInductance" }
        ONumberRow { caption: qsTr("Frequency f, Hz"); outlet: "textFrequency" }
        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "labelRC"; caption: "RC" }
            OResult { outlet: "labelRL"; caption: "RL" }
            OResult { outlet: "labelLC"; caption: "LC" }
            OResult { outlet: "labelReactance"; caption: qsTr("Reactance") }
        }
        OHelpLine { outlet: "labelHelp" }
    }
}
