// Ohm's law and power: two of V, I, R and P in, the other two out.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    OForm {
        ONumberRow { caption: qsTr("Voltage V, V"); outlet: "textVoltage" }
        ONumberRow { caption: qsTr("Current I, A"); outlet: "textCurrent" }
        ONumberRow { caption: qsTr("Resistance R, Ohm"); outlet: "textResistance" }
        ONumberRow { caption: qsTr("Power P, W"); outlet: "textPower" }
        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "labelResult1"; emphasized: true }
            OResult { outlet: "labelResult2"; emphasized: true }
        }
        OHelpLine { outlet: "labelHelp" }
    }
}
