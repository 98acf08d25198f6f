// OTable: a table outlet as a list of rows.
//
//   OTable { outlet: "tableData"; anchors.fill: parent }
//
// Each row shows its cell's icon and text over the cell's content background, as tall as the
// screen says (at least OStyle.touchTarget); a tap is the model's row selection. The list
// takes the keyboard focus with Tab (it never takes it from a tap): while it has it, a frame
// marks the current row, Up, Down, Home and End move it, and Enter, Return or Space select it. In editing mode, rows the screen lets delete carry a Delete
// button that commits the deletion. Rows are children with objectName "<outlet>[<index>]".
// A section with a title starts with its heading (objectName "<outlet>:heading:<section>").
// For another cell look, set `cell` to a Component; its item reads `parent.rowData`
// ({section, row, sectionTitle, text, iconName, icon, background, height, deletable}).
import QtQuick
import QtQuick.Controls
import Ohmkit

ListView {
    id: table
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property TableBridge view: screen && outlet ? screen.outlet(outlet) : null
    property Component cell: defaultCell
    property real iconSize: OStyle.listIconSize

    objectName: outlet
    visible: view ? !view.hidden : false
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    model: view ? view.rows : []
    activeFocusOnTab: true
    keyNavigationEnabled: true
    highlightFollowsCurrentItem: true
    highlightMoveDuration: 0
    ScrollIndicator.vertical: ScrollIndicator {}

    function selectCurrent() {
        if (!view || currentIndex < 0 || currentIndex >= count) return
        const data = model[currentIndex]
        view.userSelect(data.section, data.row)
    }

    Keys.onPressed: event => {
        if ([Qt.Key_Return, Qt.Key_Enter, Qt.Key_Space].includes(event.key)) {
            selectCurrent()
            event.accepted = true
        } else if (event.key === Qt.Key_Home || event.key === Qt.Key_End) {
            currentIndex = event.key === Qt.Key_Home ? 0 : count - 1
            event.accepted = true
        }
    }

    highlight: Rectangle {
        z: 2
        color: OStyle.focusTint
        border.width: OStyle.focusFrameWidth
        border.color: OStyle.accent
        visible: table.activeFocus
    }

    delegate: Item {
        id: slot
        required property var modelData
        required property int index
        width: ListView.view.width
        height: heading.height + row.height

        // The section's heading above its first row.
        Text {
            id: heading
            objectName: table.outlet + ":heading:" + slot.modelData.section
            visible: slot.modelData.sectionTitle !== undefined && slot.modelData.sectionTitle !== ""
            width: parent.width
            height: visible ? Math.ceil(fontInfo.pixelSize * 1.5) + topPadding + bottomPadding : 0
            topPadding: OStyle.spacing
            bottomPadding: OStyle.tightSpacing
            leftPadding: OStyle.margin
            rightPadding: OStyle.margin
            text: visible ? slot.modelData.sectionTitle : ""
            font.pixelSize: OStyle.smallFontSize
            font.bold: true
            font.capitalization: Font.AllUppercase
            color: OStyle.secondaryText
            elide: Text.ElideRight
            Accessible.role: Accessible.Heading
        }

        Rectangle {
            id: row
            readonly property var modelData: slot.modelData
            readonly property int index: slot.index
            objectName: table.outlet + "[" + index + "]"
            y: heading.height
            width: parent.width
            height: Math.max(modelData.height, OStyle.touchTarget)
            color: OStyle.modelColor(modelData.background)

            Loader {
                anchors.fill: parent
                anchors.rightMargin: deleteButton.visible ? deleteButton.width + OStyle.margin : 0
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
                onClicked: {
                    table.currentIndex = row.index
                    if (table.view) table.view.userSelect(row.modelData.section, row.modelData.row)
                }
            }
            OButton {
                id: deleteButton
                visible: table.view !== null && table.view.editing && row.modelData.deletable
                anchors.right: parent.right
                anchors.rightMargin: OStyle.smallSpacing
                anchors.verticalCenter: parent.verticalCenter
                height: Math.min(implicitHeight, row.height)
                kind: "destructive"
                text: qsTr("Delete")
                font.pixelSize: OStyle.smallFontSize + 2
                onClicked: table.view.userDelete(row.modelData.section, row.modelData.row)
            }
            Rectangle {
                anchors.bottom: parent.bottom
                anchors.left: parent.left
                anchors.leftMargin: OStyle.margin
                anchors.right: parent.right
                height: OStyle.hairline
                color: OStyle.separator
            }
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
                width: visible ? Math.min(table.iconSize, parent.height - 2 * OStyle.smallSpacing) : 0
                height: width
                visible: cellItem.rowData.icon !== undefined && cellItem.rowData.icon.toString() !== ""
                source: visible ? cellItem.rowData.icon : ""
                sourceSize.width: table.iconSize * 2
                sourceSize.height: table.iconSize * 2
                fillMode: Image.PreserveAspectFit
            }
            Text {
                anchors.left: icon.visible ? icon.right : parent.left
                anchors.leftMargin: OStyle.margin
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
