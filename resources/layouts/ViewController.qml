// The main menu: the table of tools, and the rate button when the build names a home page.
// The arrow keys reach the list from the page, as Tab does.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    Keys.onUpPressed: menu.forceActiveFocus(Qt.TabFocusReason)
    Keys.onDownPressed: menu.forceActiveFocus(Qt.TabFocusReason)

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        OTable {
            id: menu
            outlet: "tableData"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.maximumWidth: OStyle.contentMaxWidth
            Layout.alignment: Qt.AlignHCenter
        }
        OButton {
            actionName: "onButtonRate"
            kind: "primary"
            Layout.alignment: Qt.AlignHCenter
            Layout.margins: 8
        }
    }
}
