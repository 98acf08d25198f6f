// The main menu: the search field, the tools in their groups, and the rate button when the
// build names a home page. The arrow keys reach the list from the page and from the search
// field, as Tab does.
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

        OTextField {
            id: search
            outlet: "textSearch"
            Layout.fillWidth: true
            Layout.maximumWidth: OStyle.contentMaxWidth - 2 * OStyle.margin
            Layout.alignment: Qt.AlignHCenter
            Layout.leftMargin: OStyle.margin
            Layout.rightMargin: OStyle.margin
            Layout.topMargin: OStyle.smallSpacing
            Layout.bottomMargin: OStyle.tightSpacing
            Keys.onDownPressed: menu.forceActiveFocus(Qt.TabFocusReason)
        }
        OLabel {
            outlet: "labelNoMatch"
            Layout.fillWidth: true
            Layout.maximumWidth: OStyle.contentMaxWidth
            Layout.alignment: Qt.AlignHCenter
            padding: OStyle.margin
            textColor: OStyle.secondaryText
        }
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
