// Nearest standard resistor value: the resistance typed in whole ohms, and the standard
// values around it.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: OStyle.margin
        spacing: 10

        Text {
            Layout.fillWidth: true
            text: qsTr("Resistance in ohms (1 to 10000000)")
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
            text: qsTr("A standard value is shown alone; any other value between the standard value below it and the one above.")
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        Item { Layout.fillHeight: true }
    }
}
