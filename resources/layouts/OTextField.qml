// OTextField: a text field outlet.
//
//   OTextField { outlet: "textVoltage"; Layout.fillWidth: true }
//
// Typing sends the model's editing-changed event with the whole new text, the return key its
// return event; the placeholder comes from the screen. A field entered by Tab or a click has
// its text selected, so typing replaces it; Escape ends the editing (a second Escape is the
// window's: back), unless `endsOnEscape` is false. The field gives up the keyboard focus when
// the screen resigns it.
//
// A numeric field (the screen's keyboard kind "numbers" or "decimal") tells the input method
// its kind and refuses what can never be part of a number there: it takes digits, and a
// decimal one also a sign, a decimal point or comma and an exponent. `acceptedCharacters`
// names what it takes besides digits, for a screen that reads more.
import QtQuick
import QtQuick.Controls
import Ohmkit

TextField {
    id: field
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property TextFieldBridge view: screen && outlet ? screen.outlet(outlet) : null
    readonly property string keyboard: view ? view.keyboard : "default"
    readonly property bool numeric: keyboard === "numbers" || keyboard === "decimal"
    property string acceptedCharacters: keyboard === "decimal" ? "+-.,eE" : ""
    // A press that gives the field its focus selects the text when it is released (the press
    // itself places the cursor).
    property bool selectOnRelease: false
    // Escape ends the editing; without, Escape is left to the shortcuts around (a dialog's
    // cancel).
    property bool endsOnEscape: true

    objectName: outlet
    visible: view ? !view.hidden : false
    text: view ? view.text : ""
    placeholderText: view ? view.placeholder : ""
    inputMethodHints: !numeric ? Qt.ImhNone
                    : /[a-zA-Z]/.test(acceptedCharacters.replace(/[eE]/g, "")) ? Qt.ImhPreferNumbers | Qt.ImhNoPredictiveText
                    : keyboard === "numbers" ? Qt.ImhDigitsOnly : Qt.ImhFormattedNumbersOnly
    validator: numeric ? characters : null
    font.pixelSize: OStyle.fontSize
    color: OStyle.text
    placeholderTextColor: OStyle.secondaryText
    selectionColor: OStyle.selection
    selectedTextColor: OStyle.text
    leftPadding: OStyle.cellInset
    rightPadding: OStyle.cellInset
    implicitWidth: OStyle.fieldWidth
    implicitHeight: OStyle.touchTarget
    background: Rectangle {
        radius: OStyle.radius
        color: OStyle.fieldBackground
        border.width: field.activeFocus ? OStyle.focusFrameWidth : 1
        border.color: field.activeFocus ? OStyle.accent : OStyle.fieldBorder
    }

    RegularExpressionValidator {
        id: characters
        regularExpression: new RegExp("^[0-9" + field.acceptedCharacters.replace(/[\\\]^-]/g, "\\$&") + "]*$")
    }

    onTextEdited: if (view) view.userEdit(text)
    onAccepted: if (view) view.userReturn()
    onActiveFocusChanged: {
        if (view) view.userFocus(activeFocus)
        if (activeFocus && !selectOnRelease) selectAll()
    }
    onPressed: selectOnRelease = !activeFocus
    onReleased: {
        if (selectOnRelease && selectedText === "") selectAll()
        selectOnRelease = false
    }
    Keys.onShortcutOverride: event => event.accepted = endsOnEscape && event.key === Qt.Key_Escape
    Keys.onEscapePressed: focus = false

    Connections {
        target: field.view
        function onChanged() {
            if (!field.view.firstResponder && field.activeFocus) field.focus = false
        }
    }
}
