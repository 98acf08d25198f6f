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
                width: OStyle.fileIconSize
                height: OStyle.fileIconSize
                source: cell.rowData.icon !== undefined ? cell.rowData.icon : ""
                sourceSize.width: 2 * width
                sourceSize.height: 2 * height
                fillMode: Image.PreserveAspectFit
            }
            Column {
                anchors.left: icon.right
                anchors.leftMargin: OStyle.spacing
                anchors.right: parent.right
                anchors.rightMargin: OStyle.margin
                anchors.verticalCenter: parent.verticalCenter
                spacing: 2 * OStyle.hairline
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
            Layout.preferredHeight: OStyle.touchTarget + 2 * OStyle.smallSpacing
            color: OStyle.barBackground

            RowLayout {
                id: filterBar
                anchors.fill: parent
                anchors.leftMargin: OStyle.inset(parent.width)
                anchors.rightMargin: OStyle.inset(parent.width)
                spacing: OStyle.smallSpacing

                OTextField {
                    outlet: "textFilter"
                    Layout.fillWidth: true
                    inputMethodHints: Qt.ImhNoPredictiveText
                }
                // The order in force (or "Sort" for the folder's own), opening the choice. The
                // order's name is shown only where the filter keeps its room beside it; a
                // narrow bar says "Sort" and the menu marks the order.
                OButton {
                    id: sortButton
                    objectName: "sortButton"
                    readonly property bool listing: root.sortOrder === null || root.screen === null
                                                    || root.sortOrder.text === root.screen.action("onSortListing").title
                    readonly property bool roomy: filterBar.width - editButton.width - 2 * filterBar.spacing
                                                  - orderMetrics.advanceWidth - leftPadding - rightPadding
                                                  >= OStyle.filterMinimumWidth
                    text: listing || !roomy ? qsTr("Sort") : root.sortOrder.text
                    Accessible.name: listing ? text : qsTr("Sort: %1").arg(root.sortOrder.text)
                    TextMetrics {
                        id: orderMetrics
                        font: sortButton.font
                        text: root.sortOrder ? root.sortOrder.text : ""
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
                OButton { id: editButton; actionName: "onButtonEdit" }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: OStyle.hairline
            color: OStyle.separator
        }

        Text {
            objectName: "editingHint"
            Layout.fillWidth: true
            visible: root.table !== null && root.table.editing
            topPadding: OStyle.smallSpacing
            bottomPadding: OStyle.smallSpacing
            leftPadding: OStyle.inset(width)
            rightPadding: OStyle.inset(width)
            text: qsTr("Tap a file to rename it.")
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.smallFontSize
            color: OStyle.secondaryText
        }

        Item {
            Layout.fillWidth: true
            Layout.fillHeight: true

            OTable {
                outlet: "mainTableData"
                anchors.top: parent.top
                anchors.bottom: parent.bottom
                anchors.horizontalCenter: parent.horizontalCenter
                width: Math.min(parent.width, OStyle.contentMaxWidth)
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
                font.pixelSize: OStyle.captionFontSize
                color: OStyle.secondaryText
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: OStyle.hairline
            color: OStyle.separator
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: bar.implicitHeight + 2 * OStyle.smallSpacing
            color: OStyle.barBackground

            RowLayout {
                id: bar
                anchors.fill: parent
                anchors.leftMargin: OStyle.inset(parent.width)
                anchors.rightMargin: OStyle.inset(parent.width)
                spacing: OStyle.smallSpacing

                // The count, and under it, while the filter hides some files, how many it shows.
                ColumnLayout {
                    Layout.fillWidth: true
                    spacing: 0
                    OLabel {
                        outlet: "labelFilesInfo"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.captionFontSize
                        textColor: OStyle.secondaryText
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                    OLabel {
                        outlet: "labelFilesShown"
                        Layout.fillWidth: true
                        font.pixelSize: OStyle.captionFontSize
                        textColor: OStyle.accent
                        elide: Text.ElideRight
                        wrapMode: Text.NoWrap
                    }
                }
                OButton { actionName: "onButtonRefresh" }
                OButton { actionName: "onButtonFTP" }
            }
        }
    }

    // The question of a delete or a rename, asked over the list. It is modal for the keyboard
    // as for the pointer: it takes the focus (the new name's field, with the name up to its
    // extension selected, or the question itself), Tab stays inside it, Escape and the back
    // key cancel it, and Enter answers it.
    Popup {
        id: prompt
        objectName: "prompt"
        parent: root
        anchors.centerIn: parent
        width: Math.min(parent.width - 2 * OStyle.margin, OStyle.dialogMaxWidth)
        modal: true
        focus: true
        Overlay.modal: Rectangle { color: OStyle.pressed }
        visible: root.asking
        closePolicy: Popup.NoAutoClose
        padding: OStyle.margin
        background: Rectangle {
            radius: OStyle.radius
            color: OStyle.background
            border.width: OStyle.hairline
            border.color: OStyle.separator
        }
        // On a later turn: the screen fills in the question's controls after showing it.
        onOpened: Qt.callLater(takeFocus)
        function takeFocus() {
            if (!root.asking) return
            if (newName.visible) {
                newName.forceActiveFocus()
                const name = newName.text
                const dot = name.lastIndexOf(".")
                newName.select(0, dot > 0 ? dot : name.length)
            } else {
                answers.forceActiveFocus()
            }
        }

        function answer(action) {
            const button = root.screen ? root.screen.action(action) : null
            if (button && !button.hidden) button.userTap()
        }

        // A popup is drawn in the window's overlay, outside the page: its controls are given
        // the page's screen.
        contentItem: ColumnLayout {
            id: answers
            objectName: "promptContent"
            spacing: OStyle.spacing

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
                endsOnEscape: false
            }
            OLabel {
                screen: root.screen
                outlet: "labelPromptError"
                Layout.fillWidth: true
                font.pixelSize: OStyle.captionFontSize
                textColor: OStyle.message
                wrapMode: Text.Wrap
            }
            RowLayout {
                Layout.alignment: Qt.AlignRight
                spacing: OStyle.smallSpacing
                OButton { screen: root.screen; actionName: "onButtonCancelPrompt" }
                OButton { screen: root.screen; actionName: "onButtonConfirmDelete"; kind: "destructive" }
                OButton { screen: root.screen; actionName: "onButtonConfirmRename"; kind: "primary" }
            }

            // Inside the popup, so that they work while it is open (shortcuts outside a modal
            // popup are not).
            Shortcut {
                sequences: [StandardKey.Back, "Escape"]
                enabled: root.asking
                onActivated: prompt.answer("onButtonCancelPrompt")
            }
            // Enter on the question itself; a focused button answers its own, the field
            // confirms the new name.
            Shortcut {
                sequences: ["Return", "Enter"]
                enabled: root.asking && answers.Window.activeFocusItem === answers
                onActivated: {
                    prompt.answer("onButtonConfirmDelete")
                    prompt.answer("onButtonConfirmRename")
                }
            }
        }
    }
}
