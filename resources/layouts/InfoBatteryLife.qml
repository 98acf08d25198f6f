// Battery life: capacity, the average current or a duty cycle, and the derating in; hours and
// days out.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    OForm {
        ONumberRow { caption: qsTr("Capacity, mAh"); outlet: "textCapacity" }
        ONumberRow { caption: qsTr("Average current, mA"); outlet: "textCurrent" }
        OHeading { text: qsTr("Or a duty cycle") }
        ONumberRow { caption: qsTr("Active current, mA"); outlet: "textActiveCurrent" }
        ONumberRow { caption: qsTr("Active share of the time, %"); outlet: "textActiveTime" }
        ONumberRow { caption: qsTr("Sleep current, mA"); outlet: "textSleepCurrent" }
        ONumberRow { caption: qsTr("Derating factor"); outlet: "textDerating" }
        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "labelAverage" }
            OResult { outlet: "labelResult"; emphasized: true }
        }
        OHelpLine { outlet: "labelHelp" }
    }
}
