// NE555 timer: the monostable circuit (C1, R1, pulse length) and the astable circuit (C2,
// R1, R2, high and low times and frequency) in one scrolling form. Resistances in kOhm and
// capacitances in uF give times in ms.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    component Caption: Text {
        Layout.fillWidth: true
        font.pixelSize: OStyle.smallFontSize + 2
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }
    component Heading: Text {
        Layout.fillWidth: true
        Layout.topMargin: 4
        font.pixelSize: OStyle.fontSize + 1
        font.bold: true
        color: OStyle.text
    }
    component Formula: Text {
        Layout.fillWidth: true
        font.pixelSize: OStyle.smallFontSize
        font.italic: true
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }
    component Field: OTextField {
        screen: root.screen
        Layout.preferredWidth: 130
    }
    component ResultBox: Rectangle {
        default property alias lines: box.data
        Layout.fillWidth: true
        implicitHeight: box.implicitHeight + 20
        radius: 8
        color: "#f2f5fa"
        ColumnLayout {
            id: box
            anchors.fill: parent
            anchors.margins: 10
            spacing: 6
        }
    }

    OScrollView {
        id: scroll
        screen: root.screen
        outlet: "scrollView"
        anchors.fill: parent
        // The form is never cut, whatever size the screen gives its scroll view.
        contentWidth: width
        contentHeight: Math.max(scroll.view ? scroll.view.contentHeight : 0, form.implicitHeight + 2 * OStyle.margin)

        ColumnLayout {
            id: form
            x: (scroll.width - width) / 2
            y: OStyle.margin
            width: Math.min(scroll.width - 2 * OStyle.margin, 600)
            spacing: 8

            Heading { text: qsTr("Monostable (one pulse)") }
            Formula { text: "T = 1.1 \u00d7 R1 \u00d7 C1" }
            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8
                Caption { text: qsTr("C1, uF") }
                Field { outlet: "m_cDataC1" }
                Caption { text: qsTr("R1, kOhm") }
                Field { outlet: "m_cDataR1" }
            }
            ResultBox {
                OLabel {
                    screen: root.screen
                    outlet: "m_cResults1"
                    Layout.fillWidth: true
                    font.bold: true
                }
            }

            Rectangle { Layout.fillWidth: true; Layout.topMargin: 8; Layout.bottomMargin: 4; height: 1; color: OStyle.separator }

            Heading { text: qsTr("Astable (oscillator)") }
            Formula { text: "t1 = 0.693 \u00d7 (R1 + R2) \u00d7 C,  t2 = 0.693 \u00d7 R2 \u00d7 C" }
            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8
                Caption { text: qsTr("C, uF") }
                Field { outlet: "m_cDataC2" }
                Caption { text: qsTr("R1, kOhm (high time only)") }
                Field { outlet: "m_cDataR2_1" }
                Caption { text: qsTr("R2, kOhm (high and low time)") }
                Field { outlet: "m_cDataR2_2" }
            }
            ResultBox {
                OLabel {
                    screen: root.screen
                    outlet: "m_cResults2_1"
                    Layout.fillWidth: true
                    font.bold: true
                }
                OLabel {
                    screen: root.screen
                    outlet: "m_cResults2_2"
                    Layout.fillWidth: true
                    font.bold: true
                    textColor: OStyle.accent
                }
            }
        }
    }
}
