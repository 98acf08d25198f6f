// OTextField: a text field outlet.
//
//   OTextField { screen: root.screen; outlet: "textVoltage"; Layout.fillWidth: true }
//
// Typing sends the model's editing-changed event with the whole new text, the return key
// its return event; the placeholder and the kind of keyboard come from the screen, and the
// field gives up the keyboard focus when the screen resigns it.
import QtQuick
import QtQuick.Controls
import Ohmkit

TextField {
    id: field
    property ScreenBridge screen
    property string outlet
    readonly property TextFieldBridge view: screen && outlet ? screen.outlet(outlet) : null

    objectName: outlet
    visible: view ? !view.hidden : false
    text: view ? view.text : ""
    placeholderText: view ? view.placeholder : ""
    inputMethodHints: !view ? Qt.ImhNone
                    : view.keyboard === "numbers" ? Qt.ImhDigitsOnly
                    : view.keyboard === "decimal" ? Qt.ImhFormattedNumbersOnly : Qt.ImhNone
    font.pixelSize: OStyle.fontSize
    color: OStyle.text
    leftPadding: 10
    rightPadding: 10
    implicitHeight: 40
    background: Rectangle {
        radius: 8
        color: field.view && field.view.backgroundColor.a > 0 ? field.view.backgroundColor : "#ffffff"
        border.width: field.activeFocus ? 2 : 1
        border.color: field.activeFocus ? OStyle.accent : OStyle.fieldBorder
    }

    onTextEdited: if (view) view.userEdit(text)
    onAccepted: if (view) view.userReturn()
    onActiveFocusChanged: if (view) view.userFocus(activeFocus)
    onWidthChanged: if (view) view.reportSize(width, height)

    Connections {
        target: field.view
        function onChanged() {
            if (!field.view.firstResponder && field.activeFocus) field.focus = false
        }
    }
}
