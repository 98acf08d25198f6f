// Wire voltage drop: AWG size, current and length in; the resistance per metre and the drop
// for copper and aluminium out; a hint, and the button to the AWG table.
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

            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8
                Caption { text: qsTr("Wire size, AWG") }
                OTextField { screen: root.screen; outlet: "textAWGNum"; Layout.preferredWidth: 130 }
                Caption { text: qsTr("Current, A") }
                OTextField { screen: root.screen; outlet: "textCurrent"; Layout.preferredWidth: 130 }
                Caption { text: qsTr("Cable length (one way), m") }
                OTextField { screen: root.screen; outlet: "textLength"; Layout.preferredWidth: 130 }
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
                    OLabel { screen: root.screen; outlet: "labelResult1"; Layout.fillWidth: true }
                    OLabel { screen: root.screen; outlet: "labelResult2"; Layout.fillWidth: true; font.bold: true }
                    OLabel { screen: root.screen; outlet: "labelResult3"; Layout.fillWidth: true; font.bold: true }
                }
            }

            OLabel {
                screen: root.screen
                outlet: "labelHint"
                Layout.fillWidth: true
                font.pixelSize: OStyle.smallFontSize
                textColor: OStyle.secondaryText
            }

            OButton {
                screen: root.screen
                outlet: "buttonWireInfo"
                flat: false
                Layout.alignment: Qt.AlignHCenter
            }
        }
    }
}
