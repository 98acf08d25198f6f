// SMD resistor codes: the marking typed into the field, drawn on a chip resistor, and the
// decoded value.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property TextFieldBridge code: screen ? screen.outlet("textResistance") : null

    OForm {
        // The chip: a dark body between two tinned ends, with the marking printed on it.
        Item {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: OStyle.chipWidth
            Layout.preferredHeight: OStyle.chipHeight
            Layout.bottomMargin: OStyle.smallSpacing

            Repeater {
                model: 2
                Rectangle {
                    required property int index
                    x: index === 0 ? 0 : parent.width - width
                    width: OStyle.chipEndWidth
                    height: parent.height
                    radius: 3
                    color: OStyle.chipEnd
                    border.color: OStyle.chipEndEdge
                }
            }
            Rectangle {
                x: OStyle.chipEndWidth - 4
                width: parent.width - 2 * x
                height: parent.height
                color: OStyle.chipBody
                Text {
                    anchors.fill: parent
                    anchors.margins: OStyle.smallSpacing
                    text: root.code ? root.code.text.toUpperCase() : ""
                    color: OStyle.chipMarking
                    font.pixelSize: OStyle.chipMarkingSize
                    font.family: "monospace"
                    font.letterSpacing: 2
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: 10
                    elide: Text.ElideRight
                }
            }
        }

        Text {
            Layout.fillWidth: true
            text: qsTr("Marking")
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        OTextField {
            outlet: "textResistance"
            Layout.fillWidth: true
            inputMethodHints: Qt.ImhPreferUppercase | Qt.ImhNoPredictiveText
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
            text: qsTr("472: two digits and a multiplier\n4701: three digits and a multiplier\n01C: EIA-96 number and letter\n4R7: R marks the decimal point")
            lineHeight: 1.25
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }
    }
}
