// LED series resistor: the schematic for the chosen number of LEDs, the four inputs with the
// count's - and + buttons, and the two result lines.
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

    Flickable {
        anchors.fill: parent
        contentWidth: width
        contentHeight: form.implicitHeight + 2 * OStyle.margin
        boundsBehavior: Flickable.StopAtBounds
        clip: true

        ColumnLayout {
            id: form
            x: (parent.width - width) / 2
            y: OStyle.margin
            width: Math.min(parent.width - 2 * OStyle.margin, 600)
            spacing: 10

            OImage {
                id: schematic
                screen: root.screen
                outlet: "m_cSchematic"
                Layout.fillWidth: true
                Layout.maximumWidth: 480
                Layout.alignment: Qt.AlignHCenter
                Layout.preferredHeight: width * 154 / 360
                sourceSize.width: width * 2
            }

            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8

                Caption { text: qsTr("Supply voltage, V") }
                OTextField {
                    screen: root.screen
                    outlet: "m_cVoltage"
                    Layout.preferredWidth: 140
                }

                Caption { text: qsTr("Number of LEDs") }
                RowLayout {
                    Layout.preferredWidth: 140
                    spacing: 4
                    OButton {
                        screen: root.screen
                        actionName: "onLedsDecrease"
                        flat: false
                        font.pixelSize: 20
                        Layout.preferredWidth: 40
                    }
                    OTextField {
                        screen: root.screen
                        outlet: "m_cLedsCount"
                        horizontalAlignment: TextInput.AlignHCenter
                        Layout.preferredWidth: 52
                    }
                    OButton {
                        screen: root.screen
                        actionName: "onLedsIncrease"
                        flat: false
                        font.pixelSize: 20
                        Layout.preferredWidth: 40
                    }
                }

                Caption { text: qsTr("LED forward voltage, V") }
                OTextField {
                    screen: root.screen
                    outlet: "m_cVoltageOnLED"
                    Layout.preferredWidth: 140
                }

                Caption { text: qsTr("LED current, mA") }
                OTextField {
                    screen: root.screen
                    outlet: "m_cCurrentOnLED"
                    Layout.preferredWidth: 140
                }
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.topMargin: 6
                implicitHeight: results.implicitHeight + 20
                radius: 8
                color: "#f2f5fa"

                ColumnLayout {
                    id: results
                    anchors.fill: parent
                    anchors.margins: 10
                    spacing: 6

                    OLabel {
                        screen: root.screen
                        outlet: "m_cResults"
                        Layout.fillWidth: true
                        font.bold: true
                    }
                    OLabel {
                        screen: root.screen
                        outlet: "m_cResults2"
                        Layout.fillWidth: true
                        textColor: OStyle.accent
                    }
                }
            }
        }
    }
}
