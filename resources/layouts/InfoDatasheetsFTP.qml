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
        Clipboard.setText(text)
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
        implicitWidth: OStyle.lightWidth
        implicitHeight: OStyle.lightHeight
        radius: height / 2
        color: on ? lit : OStyle.separator
        border.width: OStyle.hairline
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
            Layout.preferredHeight: statusColumn.implicitHeight + 2 * OStyle.spacing
            color: OStyle.barBackground

            ColumnLayout {
                id: statusColumn
                anchors.fill: parent
                anchors.leftMargin: OStyle.inset(parent.width)
                anchors.rightMargin: OStyle.inset(parent.width)
                anchors.topMargin: OStyle.spacing
                anchors.bottomMargin: OStyle.spacing
                spacing: OStyle.tightSpacing

                RowLayout {
                    Layout.fillWidth: true
                    spacing: OStyle.smallSpacing

                    Rectangle {
                        objectName: "statusLight"
                        visible: root.serving
                        implicitWidth: OStyle.statusDotSize
                        implicitHeight: OStyle.statusDotSize
                        radius: width / 2
                        color: OStyle.success
                    }
                    OLabel {
                        outlet: "labelServerStatus"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.captionFontSize
                        textColor: OStyle.text
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                    OLabel {
                        outlet: "labelServerError"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.captionFontSize
                        font.bold: true
                        textColor: OStyle.message
                    }
                    Light { outlet: "labelRX"; lit: OStyle.success; visible: root.serving }
                    Light { outlet: "labelTX"; lit: OStyle.warning; visible: root.serving }
                }
                OLabel {
                    outlet: "labelClients"
                    Layout.fillWidth: true
                    Layout.leftMargin: OStyle.statusDotSize + OStyle.smallSpacing
                    font.pixelSize: OStyle.smallFontSize
                    textColor: OStyle.secondaryText
                    wrapMode: Text.NoWrap
                }
                OLabel {
                    outlet: "labelTransfer"
                    Layout.fillWidth: true
                    Layout.leftMargin: OStyle.statusDotSize + OStyle.smallSpacing
                    font.pixelSize: OStyle.smallFontSize
                    textColor: OStyle.secondaryText
                    elide: Text.ElideMiddle
                    wrapMode: Text.NoWrap
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: OStyle.hairline
            color: OStyle.separator
        }

        OWebView {
            outlet: "webView"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.maximumWidth: OStyle.contentMaxWidth
            Layout.alignment: Qt.AlignHCenter
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
                anchors.bottomMargin: OStyle.margin
                width: copiedText.implicitWidth + 2 * OStyle.margin
                height: copiedText.implicitHeight + OStyle.margin
                radius: height / 2
                color: OStyle.text
                Text {
                    id: copiedText
                    anchors.centerIn: parent
                    text: qsTr("Copied")
                    font.pixelSize: OStyle.captionFontSize
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
            Layout.preferredHeight: OStyle.hairline
            color: OStyle.separator
        }

        OLabel {
            outlet: "labelDeviceInfo"
            Layout.fillWidth: true
            Layout.preferredHeight: implicitHeight
            padding: OStyle.smallSpacing
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.captionFontSize
            textColor: OStyle.secondaryText
        }
    }
}
