// Upload screen: the server's status with the RX and TX lights, the page with the address to
// connect to, and the storage line.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    // An indicator light: the outlet's hidden state switches it on and off; it keeps its place.
    component Light: Rectangle {
        id: light
        property string outlet
        property color lit
        readonly property LabelBridge view: root.screen ? root.screen.outlet(outlet) : null
        readonly property bool on: view ? !view.hidden : false
        objectName: outlet
        implicitWidth: 40
        implicitHeight: 24
        radius: 12
        color: on ? lit : "#e5e5ea"
        border.width: 1
        border.color: on ? Qt.darker(lit, 1.2) : OStyle.fieldBorder
        Text {
            anchors.centerIn: parent
            text: light.view ? light.view.text : ""
            font.pixelSize: OStyle.smallFontSize
            font.bold: true
            color: light.on ? "#ffffff" : OStyle.secondaryText
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            color: OStyle.barBackground

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: OStyle.margin
                anchors.rightMargin: OStyle.margin
                spacing: 8

                Rectangle {
                    implicitWidth: 10
                    implicitHeight: 10
                    radius: 5
                    color: "#34c759"
                }
                OLabel {
                    screen: root.screen
                    outlet: "labelIPAddress"
                    Layout.fillWidth: true
                    text: qsTr("FTP server running")
                    font.pixelSize: OStyle.smallFontSize + 2
                    textColor: OStyle.text
                }
                Light { outlet: "labelRX"; lit: "#34c759" }
                Light { outlet: "labelTX"; lit: "#ff9500" }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        OWebView {
            screen: root.screen
            outlet: "webView"
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        OLabel {
            screen: root.screen
            outlet: "labelDeviceInfo"
            Layout.fillWidth: true
            Layout.preferredHeight: 36
            padding: 8
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.smallFontSize + 1
            textColor: OStyle.secondaryText
        }
    }
}
