// OResult: a label outlet that shows a result line, which the user can select and copy.
//
//   OResultsPanel {
//       OResult { outlet: "labelResults"; font.pixelSize: OStyle.resultFontSize }
//   }
//
// Shows the screen's text, wrapped at its width but never between a number and its unit.
// A line with words but no digit is a message, not a result ("Incorrect input", "f = n/a"):
// it is drawn in the message colour and never bold; one with neither ("--") stands for no
// value yet and is drawn in the secondary colour. A selection copied with the keyboard is the
// same part of the screen's own text (the non-breaking spaces and unit symbols of the drawing
// stay out: "kΩ" is copied as "KOhm"), and
// `caption` names the line when its panel copies all its lines. An empty line takes no room.
import QtQuick
import QtQuick.Layouts
import Ohmkit

TextEdit {
    id: result
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property LabelBridge view: screen && outlet ? screen.outlet(outlet) : null
    property string caption
    property bool emphasized: view ? view.bold : false
    readonly property bool isMessage: /[a-zA-Z]/.test(modelText) && !/[0-9]/.test(modelText)
    readonly property bool isPlaceholder: modelText !== "" && !/[a-zA-Z0-9]/.test(modelText)
    readonly property string modelText: view ? view.text : ""

    objectName: outlet
    Layout.fillWidth: true
    visible: view ? !view.hidden && view.text !== "" : false
    text: view ? view.displayText : ""
    textFormat: TextEdit.PlainText
    readOnly: true
    selectByMouse: true
    persistentSelection: false
    wrapMode: TextEdit.Wrap
    color: isMessage ? OStyle.message : isPlaceholder ? OStyle.secondaryText : OStyle.text
    selectionColor: OStyle.selection
    selectedTextColor: color
    font.pixelSize: view ? view.fontSize : OStyle.fontSize
    font.bold: emphasized && !isMessage && !isPlaceholder
    horizontalAlignment: view && view.centered ? TextEdit.AlignHCenter : TextEdit.AlignLeft

    // The selection, or the whole line when nothing is selected, exactly as the screen wrote it.
    function copySelection() {
        const start = selectionStart, end = selectionEnd
        Clipboard.setText(end > start && view ? view.textBetween(start, end) : modelText)
    }
    Keys.onPressed: event => {
        if (event.matches(StandardKey.Copy)) {
            copySelection()
            event.accepted = true
        }
    }
    Keys.onShortcutOverride: event => event.accepted = event.matches(StandardKey.Copy)

    // On a later turn, as OLabel does: the model's answer to a size must not re-enter the
    // text's binding.
    function sendSize() { if (view) view.reportSize(width, height) }
    function reportSize() { Qt.callLater(sendSize) }
    onWidthChanged: reportSize()
    onHeightChanged: reportSize()
    onViewChanged: reportSize()
}
