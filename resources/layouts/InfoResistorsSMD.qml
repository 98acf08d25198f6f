// SMD resistor codes: the marking typed into the field, drawn on a chip resistor, and the
// decoded value.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property TextFieldBridge code: screen ? screen.outlet("textResistance") : null

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: OStyle.margin
        spacing: 10

        // The chip: a dark body between two tinned ends, with the marking printed on it.
        Item {
            Layout.alignment: Qt.AlignHCenter
            Layout.preferredWidth: 180
            Layout.preferredHeight: 72
            Layout.bottomMargin: 6

            Repeater {
                model: 2
                Rectangle {
                    required property int index
                    x: index === 0 ? 0 : parent.width - width
                    width: 26
                    height: parent.height
                    radius: 3
                    color: "#c9cbd0"
                    border.color: "#9a9ca2"
                }
            }
            Rectangle {
                x: 22
                width: parent.width - 44
                height: parent.height
                color: "#232427"
                Text {
                    anchors.fill: parent
                    anchors.margins: 6
                    text: root.code ? root.code.text.toUpperCase() : ""
                    color: "#f4f4f4"
                    font.pixelSize: 30
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
            screen: root.screen
            outlet: "textResistance"
            Layout.fillWidth: true
        }

        OLabel {
            screen: root.screen
            outlet: "labelResult"
            Layout.fillWidth: true
            Layout.topMargin: 12
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: 19
            font.weight: Font.DemiBold
        }

        Text {
            Layout.fillWidth: true
            Layout.topMargin: 12
            text: qsTr("472: two digits and a multiplier\n4701: three digits and a multiplier\n01C: EIA-96 number and letter\n4R7: R marks the decimal point")
            lineHeight: 1.25
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        Item { Layout.fillHeight: true }
    }
}
