// The layout of a screen that has none of its own yet: every outlet in a column, in the
// screen's order, each drawn by the component of its kind, then the buttons of its actions.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    OForm {
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
                Component { id: label; OLabel { outlet: slot.modelData } }
                Component { id: textField; OTextField { outlet: slot.modelData } }
                Component { id: button; OButton { outlet: slot.modelData } }
                Component { id: picker; OPicker { outlet: slot.modelData } }
                Component { id: image; OImage { outlet: slot.modelData; sourceSize.height: 120 } }
                Component { id: table; OTable { outlet: slot.modelData } }
                Component { id: web; OWebView { outlet: slot.modelData } }
                Component { id: activity; OActivity { outlet: slot.modelData } }
            }
        }
        Repeater {
            // Buttons that are also outlets are in the column already.
            model: root.screen ? root.screen.actionNames.filter(name => root.screen.action(name).outletName === "") : []
            OButton {
                required property string modelData
                actionName: modelData
                kind: "primary"
            }
        }
    }
}
