// LED series resistor: the schematic for the chosen number of LEDs, the four inputs with the
// count's - and + buttons, and the two result lines.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    OForm {
        OImage {
            outlet: "m_cSchematic"
            Layout.fillWidth: true
            Layout.maximumWidth: OStyle.schematicMaxWidth
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredHeight: width * 154 / 360
            sourceSize.width: width * 2
        }

        OFieldRow {
            caption: qsTr("Supply voltage, V")
            OTextField { outlet: "m_cVoltage"; Layout.fillWidth: true }
        }
        OFieldRow {
            caption: qsTr("Number of LEDs")
            OButton {
                actionName: "onLedsDecrease"
                font.pixelSize: OStyle.headingFontSize + 2
            }
            OTextField {
                outlet: "m_cLedsCount"
                horizontalAlignment: TextInput.AlignHCenter
                Layout.fillWidth: true
                Layout.minimumWidth: OStyle.touchTarget
                implicitWidth: 0
            }
            OButton {
                actionName: "onLedsIncrease"
                font.pixelSize: OStyle.headingFontSize + 2
            }
        }
        OFieldRow {
            caption: qsTr("LED forward voltage, V")
            OTextField { outlet: "m_cVoltageOnLED"; Layout.fillWidth: true }
        }
        OFieldRow {
            caption: qsTr("LED current, mA")
            OTextField { outlet: "m_cCurrentOnLED"; Layout.fillWidth: true }
        }

        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            OResult { outlet: "m_cResults"; emphasized: true }
            OResult { outlet: "m_cResults2" }
        }
    }
}
