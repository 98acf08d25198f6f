// Solar battery calculator: the consumer list with the fields and buttons that add to it and
// delete from it, the supply inputs, and the results, in one scrolling form.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property TableBridge table: screen ? screen.outlet("mainTable") : null

    component Caption: Text {
        Layout.fillWidth: true
        font.pixelSize: OStyle.smallFontSize + 2
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }
    component Heading: Text {
        Layout.fillWidth: true
        Layout.topMargin: 4
        font.pixelSize: OStyle.fontSize + 1
        font.bold: true
        color: OStyle.text
    }
    component Result: OLabel {
        screen: root.screen
        Layout.preferredWidth: 120
        font.bold: true
        horizontalAlignment: Text.AlignRight
    }

    OScrollView {
        id: scroll
        screen: root.screen
        outlet: "scrollView"
        anchors.fill: parent
        // The form is never cut, whatever size the screen gives its scroll view.
        contentWidth: width
        contentHeight: Math.max(scroll.view ? scroll.view.contentHeight : 0, form.implicitHeight + 2 * OStyle.margin)

        ColumnLayout {
            id: form
            x: (scroll.width - width) / 2
            y: OStyle.margin
            width: Math.min(scroll.width - 2 * OStyle.margin, 600)
            spacing: 8

            Heading { text: qsTr("Consumers") }

            // The list with the look the screen gives it: background, border, rounded corners.
            Rectangle {
                Layout.fillWidth: true
                Layout.preferredHeight: 164
                color: root.table ? root.table.backgroundColor : "transparent"
                border.width: root.table ? root.table.borderWidth : 0
                border.color: root.table ? root.table.borderColor : "transparent"
                radius: root.table ? root.table.cornerRadius : 0

                OTable {
                    screen: root.screen
                    outlet: "mainTable"
                    anchors.fill: parent
                    anchors.margins: parent.border.width + (parent.radius > 0 ? 1 : 0)
                    cell: Item {
                        readonly property var rowData: parent ? parent.rowData : ({})
                        Text {
                            anchors.left: parent.left
                            anchors.right: parent.right
                            anchors.leftMargin: 10
                            anchors.rightMargin: 10
                            anchors.verticalCenter: parent.verticalCenter
                            text: parent.rowData.text !== undefined ? parent.rowData.text : ""
                            font.pixelSize: 15
                            font.bold: true
                            color: OStyle.text
                            elide: Text.ElideRight
                        }
                    }
                }

                Text {
                    anchors.centerIn: parent
                    visible: root.table !== null && root.table.rows.length === 0
                    text: qsTr("No consumers yet: fill in the fields below and tap Add.")
                    width: parent.width - 24
                    horizontalAlignment: Text.AlignHCenter
                    wrapMode: Text.Wrap
                    font.pixelSize: OStyle.smallFontSize
                    color: OStyle.secondaryText
                }
            }

            GridLayout {
                Layout.fillWidth: true
                columns: 3
                columnSpacing: 8
                rowSpacing: 4
                Caption { text: qsTr("Name") }
                Caption { text: qsTr("Power, W"); Layout.fillWidth: false; Layout.preferredWidth: 72 }
                Caption { text: qsTr("h/day"); Layout.fillWidth: false; Layout.preferredWidth: 72 }
                OTextField { screen: root.screen; outlet: "textItemName"; Layout.fillWidth: true }
                OTextField { screen: root.screen; outlet: "textItemPower"; Layout.preferredWidth: 72 }
                OTextField { screen: root.screen; outlet: "textItemUsage"; Layout.preferredWidth: 72 }
            }

            RowLayout {
                Layout.fillWidth: true
                spacing: 10
                OButton {
                    screen: root.screen
                    actionName: "onButtonAddItem"
                    flat: false
                    Layout.fillWidth: true
                }
                OButton {
                    screen: root.screen
                    actionName: "onButtonDelItems"
                    flat: false
                    Layout.fillWidth: true
                    palette.buttonText: root.table && root.table.editing ? OStyle.destructive : OStyle.accent
                    text: root.table && root.table.editing ? qsTr("Done") : (view ? view.title : "")
                }
            }

            Rectangle { Layout.fillWidth: true; Layout.topMargin: 6; height: 1; color: OStyle.separator }

            Heading { text: qsTr("Battery and panels") }
            GridLayout {
                Layout.fillWidth: true
                columns: 2
                columnSpacing: 12
                rowSpacing: 8
                Caption { text: qsTr("Battery voltage, V") }
                OTextField { screen: root.screen; outlet: "textVoltage"; Layout.preferredWidth: 120 }
                Caption { text: qsTr("Sun hours per day") }
                OTextField { screen: root.screen; outlet: "textSunHours"; Layout.preferredWidth: 120 }
                Caption { text: qsTr("Power of one panel, W") }
                OTextField { screen: root.screen; outlet: "textPanelPower"; Layout.preferredWidth: 120 }
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.topMargin: 6
                implicitHeight: results.implicitHeight + 20
                radius: 8
                color: "#f2f5fa"

                GridLayout {
                    id: results
                    anchors.fill: parent
                    anchors.margins: 10
                    columns: 2
                    columnSpacing: 12
                    rowSpacing: 6
                    Caption { text: qsTr("Energy per day") }
                    Result { outlet: "labelResult1" }
                    Caption { text: qsTr("Battery capacity") }
                    Result { outlet: "labelResult2" }
                    Caption { text: qsTr("Battery capacity, half discharge") }
                    Result { outlet: "labelResult3" }
                    Caption { text: qsTr("Charge current") }
                    Result { outlet: "labelResult4" }
                    Caption { text: qsTr("Solar panels needed") }
                    Result { outlet: "labelResult5" }
                    Caption { text: qsTr("One panel, averaged over 24 h") }
                    Result { outlet: "labelResult6" }
                    Caption { text: qsTr("Peak charge current") }
                    Result { outlet: "labelResultPeakCurrent" }
                }
            }
        }
    }
}
