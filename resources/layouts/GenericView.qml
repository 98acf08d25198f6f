// The layout of a screen that has none of its own yet: every outlet in a column, in the
// screen's order, each drawn by the component of its kind, then the buttons of its actions.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    Flickable {
        anchors.fill: parent
        contentHeight: column.height + 2 * OStyle.margin
        clip: true

        ColumnLayout {
            id: column
            x: OStyle.margin
            y: OStyle.margin
            width: parent.width - 2 * OStyle.margin
            spacing: 10

            Repeater {
                model: root.screen ? root.screen.outletNames : []
                Loader {
                    id: slot
                    required property string modelData
                    readonly property string kind: root.screen.outlet(modelData).kind
                    Layout.fillWidth: true
                    Layout.preferredHeight: kind === "table" || kind === "web" || kind === "scroll" ? 300 : -1
                    sourceComponent: {
                        switch (kind) {
                        case "label": return label
                        case "textField": return textField
                        case "button": return button
                        case "picker": return picker
                        case "image": return image
                        case "table": return table
                        case "web": return web
                        case "activity": return activity
                        default: return null
                        }
                    }
                    Component { id: label; OLabel { screen: root.screen; outlet: slot.modelData } }
                    Component { id: textField; OTextField { screen: root.screen; outlet: slot.modelData } }
                    Component { id: button; OButton { screen: root.screen; outlet: slot.modelData } }
                    Component { id: picker; OPicker { screen: root.screen; outlet: slot.modelData } }
                    Component { id: image; OImage { screen: root.screen; outlet: slot.modelData; sourceSize.height: 120 } }
                    Component { id: table; OTable { screen: root.screen; outlet: slot.modelData } }
                    Component { id: web; OWebView { screen: root.screen; outlet: slot.modelData } }
                    Component { id: activity; OActivity { screen: root.screen; outlet: slot.modelData } }
                }
            }
            Repeater {
                // Buttons that are also outlets are in the column already.
                model: root.screen ? root.screen.actionNames.filter(name => root.screen.action(name).outletName === "") : []
                OButton {
                    required property string modelData
                    screen: root.screen
                    actionName: modelData
                    flat: false
                }
            }
        }
    }
}
