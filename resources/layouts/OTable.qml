// OTable: a table outlet as a list of rows.
//
//   OTable { screen: root.screen; outlet: "tableData"; anchors.fill: parent }
//
// Each row shows its cell's icon and text over the cell's content background, as tall as
// the screen says; a tap is the model's row selection. In editing mode, rows the screen lets
// delete carry a Delete button that commits the deletion. Rows are children with objectName
// "<outlet>[<index>]". For another cell look, set `cell` to a Component; its item reads
// `parent.rowData` ({section, row, text, iconName, icon, background, height, deletable}).
import QtQuick
import QtQuick.Controls
import Ohmkit

ListView {
    id: table
    property ScreenBridge screen
    property string outlet
    readonly property TableBridge view: screen && outlet ? screen.outlet(outlet) : null
    property Component cell: defaultCell
    property real iconSize: 44

    objectName: outlet
    visible: view ? !view.hidden : false
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    model: view ? view.rows : []
    ScrollIndicator.vertical: ScrollIndicator {}

    delegate: Rectangle {
        id: row
        required property var modelData
        required property int index
        objectName: table.outlet + "[" + index + "]"
        width: ListView.view.width
        height: modelData.height
        color: modelData.background

        Loader {
            anchors.fill: parent
            anchors.rightMargin: deleteButton.visible ? deleteButton.width + 16 : 0
            sourceComponent: table.cell
            property var rowData: row.modelData
        }
        Rectangle {
            anchors.fill: parent
            color: OStyle.pressed
            visible: tap.pressed
        }
        MouseArea {
            id: tap
            anchors.fill: parent
            onClicked: if (table.view) table.view.userSelect(row.modelData.section, row.modelData.row)
        }
        Button {
            id: deleteButton
            visible: table.view !== null && table.view.editing && row.modelData.deletable
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Delete")
            font.pixelSize: OStyle.smallFontSize + 2
            palette.buttonText: "#ffffff"
            background: Rectangle { radius: 6; color: OStyle.destructive }
            onClicked: table.view.userDelete(row.modelData.section, row.modelData.row)
        }
        Rectangle {
            anchors.bottom: parent.bottom
            anchors.left: parent.left
            anchors.leftMargin: OStyle.margin
            anchors.right: parent.right
            height: 1
            color: OStyle.separator
        }
    }

    Component {
        id: defaultCell
        Item {
            id: cellItem
            readonly property var rowData: parent ? parent.rowData : ({})
            Image {
                id: icon
                x: OStyle.margin
                anchors.verticalCenter: parent.verticalCenter
                width: visible ? Math.min(table.iconSize, parent.height - 12) : 0
                height: width
                visible: cellItem.rowData.icon !== undefined && cellItem.rowData.icon.toString() !== ""
                source: visible ? cellItem.rowData.icon : ""
                sourceSize.width: table.iconSize * 2
                sourceSize.height: table.iconSize * 2
                fillMode: Image.PreserveAspectFit
            }
            Text {
                anchors.left: icon.visible ? icon.right : parent.left
                anchors.leftMargin: icon.visible ? 14 : OStyle.margin
                anchors.right: parent.right
                anchors.rightMargin: OStyle.margin
                anchors.verticalCenter: parent.verticalCenter
                text: cellItem.rowData.text !== undefined ? cellItem.rowData.text : ""
                font.pixelSize: OStyle.fontSize
                color: OStyle.text
                elide: Text.ElideRight
            }
        }
    }
}
