// The main menu: the table of tools, and the rate button when the build names a home page.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        OTable {
            screen: root.screen
            outlet: "tableData"
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
        OButton {
            screen: root.screen
            actionName: "onButtonRate"
            Layout.alignment: Qt.AlignHCenter
            Layout.margins: 8
        }
    }
}
