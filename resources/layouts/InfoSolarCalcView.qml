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
        font.pixelSize: OStyle.captionFontSize
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }
    component Heading: Text {
        Layout.fillWidth: true
        Layout.topMargin: OStyle.tightSpacing
        font.pixelSize: OStyle.headingFontSize
        font.bold: true
        color: OStyle.text
    }
    component Field: OFieldRow {
        id: field
        required property string outlet
        OTextField { outlet: field.outlet; Layout.fillWidth: true }
    }
    // A result beside its caption; the caption wraps, the figure never: it is laid out on one
    // line, and its column is as wide as that line (a wrapping text would measure itself at
    // the width it was given and break "3.6 Ah" after "3.").
    component ResultRow: OFieldRow {
        id: result
        required property string outlet
        controlWidth: figure.implicitWidth
        OResult {
            id: figure
            outlet: result.outlet
            caption: result.caption
            emphasized: true
            wrapMode: TextEdit.NoWrap
            horizontalAlignment: TextEdit.AlignRight
        }
    }

    OForm {
        outlet: "scrollView"
        spacing: OStyle.spacing

        Heading { text: qsTr("Consumers") }

        // The list with the look the screen gives it: background, border, rounded corners.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: OStyle.consumerListHeight
            color: root.table ? OStyle.modelColor(root.table.backgroundColor) : "transparent"
            border.width: root.table ? root.table.borderWidth : 0
            border.color: root.table ? OStyle.modelColor(root.table.borderColor) : "transparent"
            radius: root.table ? root.table.cornerRadius : 0

            OTable {
                outlet: "mainTable"
                anchors.fill: parent
                anchors.margins: parent.border.width + (parent.radius > 0 ? 1 : 0)
                // The name, cut short when it must be, and the hours and energy, never cut.
                cell: Item {
                    id: consumer
                    readonly property var rowData: parent ? parent.rowData : ({})
                    readonly property string line: rowData.text !== undefined ? rowData.text : ""
                    // "Name, 4.0h, 36.0Wh": the figures are the last two parts.
                    readonly property int split: {
                        const last = line.lastIndexOf(", ")
                        return last > 0 ? line.lastIndexOf(", ", last - 1) : -1
                    }
                    Text {
                        anchors.left: parent.left
                        anchors.right: figures.left
                        anchors.leftMargin: OStyle.cellInset
                        anchors.rightMargin: OStyle.smallSpacing
                        anchors.verticalCenter: parent.verticalCenter
                        text: consumer.split > 0 ? consumer.line.substring(0, consumer.split) : consumer.line
                        font.pixelSize: OStyle.captionFontSize
                        font.bold: true
                        color: OStyle.text
                        elide: Text.ElideRight
                    }
                    Text {
                        id: figures
                        anchors.right: parent.right
                        anchors.rightMargin: OStyle.cellInset
                        anchors.verticalCenter: parent.verticalCenter
                        text: consumer.split > 0 ? consumer.line.substring(consumer.split + 2) : ""
                        font.pixelSize: OStyle.captionFontSize
                        color: OStyle.secondaryText
                    }
                }
            }

            Text {
                anchors.centerIn: parent
                visible: root.table !== null && root.table.rows.length === 0
                text: qsTr("No consumers yet: fill in the fields below and tap Add.")
                width: parent.width - 2 * OStyle.cellInset
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                font.pixelSize: OStyle.smallFontSize
                color: OStyle.secondaryText
            }
        }

        GridLayout {
            Layout.fillWidth: true
            columns: 3
            columnSpacing: OStyle.smallSpacing
            rowSpacing: OStyle.tightSpacing
            Caption { text: qsTr("Name") }
            Caption { text: qsTr("Power, W"); Layout.fillWidth: false; Layout.preferredWidth: 72 }
            Caption { text: qsTr("h/day"); Layout.fillWidth: false; Layout.preferredWidth: 72 }
            OTextField { outlet: "textItemName"; Layout.fillWidth: true; implicitWidth: 0 }
            OTextField { outlet: "textItemPower"; Layout.preferredWidth: 72 }
            OTextField { outlet: "textItemUsage"; Layout.preferredWidth: 72 }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: OStyle.spacing
            OButton {
                actionName: "onButtonAddItem"
                kind: "primary"
                Layout.fillWidth: true
            }
            OButton {
                actionName: "onButtonDelItems"
                kind: root.table && root.table.editing ? "destructive" : "secondary"
                Layout.fillWidth: true
                text: root.table && root.table.editing ? qsTr("Done") : (view ? view.title : "")
            }
        }

        Rectangle { Layout.fillWidth: true; Layout.topMargin: OStyle.smallSpacing; implicitHeight: OStyle.hairline; color: OStyle.separator }

        Heading { text: qsTr("Battery and panels") }
        Field { caption: qsTr("Battery voltage, V"); outlet: "textVoltage" }
        Field { caption: qsTr("Sun hours per day"); outlet: "textSunHours" }
        Field { caption: qsTr("Power of one panel, W"); outlet: "textPanelPower" }

        OResultsPanel {
            Layout.topMargin: OStyle.smallSpacing
            ResultRow { caption: qsTr("Energy per day"); outlet: "labelResult1" }
            ResultRow { caption: qsTr("Battery capacity"); outlet: "labelResult2" }
            ResultRow { caption: qsTr("Battery capacity, half discharge"); outlet: "labelResult3" }
            ResultRow { caption: qsTr("Charge current"); outlet: "labelResult4" }
            ResultRow { caption: qsTr("Solar panels needed"); outlet: "labelResult5" }
            ResultRow { caption: qsTr("One panel, averaged over 24 h"); outlet: "labelResult6" }
            ResultRow { caption: qsTr("Peak charge current"); outlet: "labelResultPeakCurrent" }
        }
    }
}
