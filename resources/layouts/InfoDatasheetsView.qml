// Datasheet store: the files of the documents folder with their size, date and type, a filter
// and an order, the count, Edit (delete and rename), refresh and FTP upload.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property TableBridge table: screen ? screen.outlet("mainTableData") : null
    readonly property TextFieldBridge filter: screen ? screen.outlet("textFilter") : null
    readonly property LabelBridge sortOrder: screen ? screen.outlet("labelSortOrder") : null
    readonly property LabelBridge question: screen ? screen.outlet("labelPrompt") : null
    readonly property bool asking: question !== null && !question.hidden

    // A row: the type icon, the name (shortened in the middle, so the extension stays) and the
    // size and date under it.
    Component {
        id: datasheetRow
        Item {
            id: cell
            readonly property var rowData: parent ? parent.rowData : ({})
            Image {
                id: icon
                x: OStyle.margin
                anchors.verticalCenter: parent.verticalCenter
                width: 32
                height: 32
                source: cell.rowData.icon !== undefined ? cell.rowData.icon : ""
                sourceSize.width: 64
                sourceSize.height: 64
                fillMode: Image.PreserveAspectFit
            }
            Column {
                anchors.left: icon.right
                anchors.leftMargin: 12
                anchors.right: parent.right
                anchors.rightMargin: OStyle.margin
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2
                Text {
                    objectName: "name"
                    width: parent.width
                    text: cell.rowData.text !== undefined ? cell.rowData.text : ""
                    font.pixelSize: OStyle.fontSize
                    color: OStyle.text
                    elide: Text.ElideMiddle
                }
                Text {
                    objectName: "detail"
                    width: parent.width
                    text: cell.rowData.detail !== undefined ? cell.rowData.detail : ""
                    font.pixelSize: OStyle.smallFontSize
                    color: OStyle.secondaryText
                    elide: Text.ElideRight
                }
            }
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Filter and order.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 56
            color: OStyle.barBackground

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: OStyle.margin
                anchors.rightMargin: 8
                spacing: 6

                OTextField {
                    screen: root.screen
                    outlet: "textFilter"
                    Layout.fillWidth: true
                    inputMethodHints: Qt.ImhNoPredictiveText
                }
                // The order in force (or "Sort" for the folder's own), opening the choice.
                Button {
                    id: sortButton
                    objectName: "sortButton"
                    readonly property bool listing: root.sortOrder === null || root.screen === null
                                                    || root.sortOrder.text === root.screen.action("onSortListing").title
                    text: listing ? qsTr("Sort") : root.sortOrder.text
                    flat: true
                    font.pixelSize: OStyle.fontSize - 1
                    palette.buttonText: OStyle.accent
                    leftPadding: 8
                    rightPadding: 8
                    background: Rectangle {
                        radius: 6
                        color: sortButton.down ? OStyle.pressed : "transparent"
                    }
                    onClicked: sortMenu.open()

                    Menu {
                        id: sortMenu
                        objectName: "sortMenu"
                        y: sortButton.height
                        Repeater {
                            model: ["onSortListing", "onSortByName", "onSortNewest"]
                            MenuItem {
                                required property string modelData
                                readonly property ButtonBridge button: root.screen ? root.screen.action(modelData) : null
                                objectName: modelData
                                text: button ? button.title : ""
                                checkable: true
                                checked: root.sortOrder !== null && button !== null && root.sortOrder.text === button.title
                                onTriggered: if (button) button.userTap()
                            }
                        }
                    }
                }
                OButton { screen: root.screen; actionName: "onButtonEdit" }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        Text {
            objectName: "editingHint"
            Layout.fillWidth: true
            visible: root.table !== null && root.table.editing
            topPadding: 8
            bottomPadding: 8
            leftPadding: OStyle.margin
            rightPadding: OStyle.margin
            text: qsTr("Tap a file to rename it.")
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            OTable {
                screen: root.screen
                outlet: "mainTableData"
                anchors.fill: parent
                cell: datasheetRow
            }

            Text {
                objectName: "emptyList"
                anchors.centerIn: parent
                width: parent.width - 2 * OStyle.margin
                visible: root.table !== null && root.table.rows.length === 0
                text: root.filter !== null && root.filter.text.trim() !== ""
                      ? qsTr("No file name contains \u201c%1\u201d.").arg(root.filter.text.trim())
                      : qsTr("No datasheets yet.\nTap FTP upload to send files from your computer.")
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
                spacing: 0

                OLabel {
                    screen: root.screen
                    outlet: "labelFilesInfo"
                    Layout.fillWidth: true
                    font.pixelSize: OStyle.smallFontSize + 2
                    textColor: OStyle.secondaryText
                    elide: Text.ElideRight
                    wrapMode: Text.NoWrap
                }
                OButton { screen: root.screen; actionName: "onButtonRefresh" }
                OButton { screen: root.screen; actionName: "onButtonFTP" }
            }
        }
    }

    // The question of a delete or a rename, asked over the list.
    Popup {
        id: prompt
        objectName: "prompt"
        parent: root
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * OStyle.margin, 420)
        modal: true
        Overlay.modal: Rectangle { color: OStyle.pressed }
        visible: root.asking
        closePolicy: Popup.NoAutoClose
        padding: 20
        background: Rectangle {
            radius: 14
            color: OStyle.background
            border.width: 1
            border.color: OStyle.separator
        }
        onOpened: if (newName.visible) newName.forceActiveFocus()

        contentItem: ColumnLayout {
            spacing: 12

            OLabel {
                screen: root.screen
                outlet: "labelPrompt"
                Layout.fillWidth: true
                font.pixelSize: OStyle.fontSize
                font.bold: true
                wrapMode: Text.Wrap
            }
            OTextField {
                id: newName
                screen: root.screen
                outlet: "textNewName"
                Layout.fillWidth: true
                inputMethodHints: Qt.ImhNoPredictiveText | Qt.ImhNoAutoUppercase
            }
            OLabel {
                screen: root.screen
                outlet: "labelPromptError"
                Layout.fillWidth: true
                font.pixelSize: OStyle.smallFontSize + 1
                textColor: OStyle.destructive
                wrapMode: Text.Wrap
            }
            RowLayout {
                Layout.alignment: Qt.AlignRight
                spacing: 8
                OButton { screen: root.screen; actionName: "onButtonCancelPrompt" }
                OButton {
                    screen: root.screen
                    actionName: "onButtonConfirmDelete"
                    palette.buttonText: OStyle.destructive
                    palette.windowText: OStyle.destructive
                }
                OButton { screen: root.screen; actionName: "onButtonConfirmRename" }
            }
        }
    }
    Shortcut {
        sequence: "Esc"
        enabled: root.asking
        onActivated: {
            const cancel = root.screen ? root.screen.action("onButtonCancelPrompt") : null
            if (cancel) cancel.userTap()
        }
    }
}
