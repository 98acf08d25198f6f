// Upload screen: the server's status with the RX and TX lights (or, when it could not start,
// why), the page with the address to connect to and copy buttons for its commands, and the
// storage line.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property LabelBridge status: screen ? screen.outlet("labelServerStatus") : null
    readonly property bool serving: status !== null && !status.hidden

    // Puts a text on the clipboard and says so for a moment.
    function copy(text) {
        clipboard.text = text
        clipboard.selectAll()
        clipboard.copy()
        clipboard.text = ""
        copied.visible = true
        copiedTimer.restart()
    }

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
        color: on ? lit : OStyle.separator
        border.width: 1
        border.color: on ? Qt.darker(lit, 1.2) : OStyle.fieldBorder
        Text {
            anchors.centerIn: parent
            text: light.view ? light.view.text : ""
            font.pixelSize: OStyle.smallFontSize
            font.bold: true
            color: light.on ? OStyle.background : OStyle.secondaryText
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // The server's state: running (with the clients and the latest transfer) or why not.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: statusColumn.implicitHeight + 20
            color: OStyle.barBackground

            ColumnLayout {
                id: statusColumn
                anchors.fill: parent
                anchors.leftMargin: OStyle.margin
                anchors.rightMargin: OStyle.margin
                anchors.topMargin: 10
                anchors.bottomMargin: 10
                spacing: 4

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 8

                    Rectangle {
                        objectName: "statusLight"
                        visible: root.serving
                        implicitWidth: 10
                        implicitHeight: 10
                        radius: 5
                        color: OStyle.success
                    }
                    OLabel {
                        screen: root.screen
                        outlet: "labelServerStatus"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.smallFontSize + 2
                        textColor: OStyle.text
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                    OLabel {
                        screen: root.screen
                        outlet: "labelServerError"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.smallFontSize + 1
                        font.bold: true
                        textColor: OStyle.destructive
                    }
                    Light { outlet: "labelRX"; lit: OStyle.success; visible: root.serving }
                    Light { outlet: "labelTX"; lit: OStyle.warning; visible: root.serving }
                }
                OLabel {
                    screen: root.screen
                    outlet: "labelClients"
                    Layout.fillWidth: true
                    Layout.leftMargin: 18
                    font.pixelSize: OStyle.smallFontSize
                    textColor: OStyle.secondaryText
                    wrapMode: Text.NoWrap
                }
                OLabel {
                    screen: root.screen
                    outlet: "labelTransfer"
                    Layout.fillWidth: true
                    Layout.leftMargin: 18
                    font.pixelSize: OStyle.smallFontSize
                    textColor: OStyle.secondaryText
                    elide: Text.ElideMiddle
                    wrapMode: Text.NoWrap
                }
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
            // "copy:TEXT" links copy their text.
            linkHandler: link => {
                if (!link.startsWith("copy:")) return false
                root.copy(link.substring(5))
                return true
            }

            Rectangle {
                id: copied
                objectName: "copied"
                visible: false
                anchors.horizontalCenter: parent.horizontalCenter
                anchors.bottom: parent.bottom
                anchors.bottomMargin: 16
                width: copiedText.implicitWidth + 32
                height: copiedText.implicitHeight + 16
                radius: height / 2
                color: OStyle.text
                Text {
                    id: copiedText
                    anchors.centerIn: parent
                    text: qsTr("Copied")
                    font.pixelSize: OStyle.smallFontSize + 1
                    color: OStyle.background
                }
                Timer {
                    id: copiedTimer
                    interval: 1500
                    onTriggered: copied.visible = false
                }
            }
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

    // The clipboard is reached through a text editor that nobody sees.
    TextEdit {
        id: clipboard
        visible: false
    }
}
