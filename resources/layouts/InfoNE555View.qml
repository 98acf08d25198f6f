// NE555 timer: the monostable circuit (C1, R1, pulse length) and the astable circuit (C2,
// R1, R2, high and low times and frequency) in one scrolling form. Resistances in k\u03a9 and
// capacitances in uF give times in ms.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    component Heading: Text {
        Layout.fillWidth: true
        Layout.topMargin: OStyle.tightSpacing
        font.pixelSize: OStyle.headingFontSize
        font.bold: true
        wrapMode: Text.Wrap
        color: OStyle.text
    }
    component Formula: Text {
        Layout.fillWidth: true
        font.pixelSize: OStyle.smallFontSize
        font.italic: true
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }
    component Field: OFieldRow {
        id: row
        required property string outlet
        OTextField { outlet: row.outlet; Layout.fillWidth: true }
    }

    OForm {
        outlet: "scrollView"

        Heading { text: qsTr("Monostable (one pulse)") }
        Formula { text: "T = 1.1 \u00d7 R1 \u00d7 C1" }
        Field { caption: qsTr("C1, \u00b5F"); outlet: "m_cDataC1" }
        Field { caption: qsTr("R1, k\u03a9"); outlet: "m_cDataR1" }
        OResultsPanel {
            OResult { outlet: "m_cResults1"; emphasized: true }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.topMargin: OStyle.smallSpacing
            implicitHeight: OStyle.hairline
            color: OStyle.separator
        }

        Heading { text: qsTr("Astable (oscillator)") }
        Formula { text: "t1 = 0.693 \u00d7 (R1 + R2) \u00d7 C,  t2 = 0.693 \u00d7 R2 \u00d7 C" }
        Field { caption: qsTr("C, \u00b5F"); outlet: "m_cDataC2" }
        Field { caption: qsTr("R1, k\u03a9 (high time only)"); outlet: "m_cDataR2_1" }
        Field { caption: qsTr("R2, k\u03a9 (high and low time)"); outlet: "m_cDataR2_2" }
        OResultsPanel {
            OResult { outlet: "m_cResults2_1"; emphasized: true }
            OResult { outlet: "m_cResults2_2"; emphasized: true }
            OResult { outlet: "m_cResults2_3" }
        }
    }
}
