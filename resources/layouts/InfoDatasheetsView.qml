// Datasheet store: the files of the documents folder, the count, refresh and FTP upload.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property TableBridge table: screen ? screen.outlet("mainTableData") : null

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            OTable {
                screen: root.screen
                outlet: "mainTableData"
                anchors.fill: parent
            }

            Text {
                anchors.centerIn: parent
                width: parent.width - 2 * OStyle.margin
                visible: root.table !== null && root.table.rows.length === 0
                text: qsTr("No datasheets yet.\nTap FTP upload to send files from your computer.")
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                font.pixelSize: OStyle.fontSize - 1
                color: OStyle.secondaryText
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: bar.implicitHeight + 16
            color: OStyle.barBackground

            RowLayout {
                id: bar
                anchors.fill: parent
                anchors.leftMargin: OStyle.margin
                anchors.rightMargin: 8
                spacing: 4

                OLabel {
                    screen: root.screen
                    outlet: "labelFilesInfo"
                    Layout.fillWidth: true
                    font.pixelSize: OStyle.smallFontSize + 2
                    textColor: OStyle.secondaryText
                }
                OButton { screen: root.screen; actionName: "onButtonRefresh" }
                OButton { screen: root.screen; actionName: "onButtonFTP" }
            }
        }
    }
}
