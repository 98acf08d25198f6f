// OTextView: a text file for OWebView (which sets `view` and hears `finished` once it is
// shown). The text is drawn in a monospaced font (lists aligned by spaces stay aligned), wraps
// at the width of the view and can be selected with the mouse and copied. Selecting does not
// take the keyboard: the window's keys (Escape, Alt+Left: back) keep working, and the copy
// key copies the selection.
import QtQuick
import QtQuick.Controls
import Ohmkit

Flickable {
    id: viewer
    property WebBridge view
    signal finished()
    property real padding: 12

    clip: true
    contentWidth: width
    contentHeight: text.height
    boundsBehavior: Flickable.StopAtBounds
    ScrollIndicator.vertical: ScrollIndicator {}

    TextEdit {
        id: text
        objectName: "textContent"
        width: viewer.width
        padding: viewer.padding
        text: viewer.view ? viewer.view.content : ""
        textFormat: TextEdit.PlainText
        wrapMode: TextEdit.Wrap
        readOnly: true
        selectByMouse: true
        activeFocusOnPress: false
        persistentSelection: true
        font.family: OStyle.monospaceFamily
        font.pixelSize: OStyle.fontSize - 2
        color: OStyle.text
        selectionColor: OStyle.accent
        selectedTextColor: OStyle.background
    }

    Shortcut {
        sequences: [StandardKey.Copy]
        enabled: text.selectedText !== ""
        onActivated: text.copy()
    }

    // Shown as soon as it is laid out; reported on a later turn, after the load has begun.
    Component.onCompleted: Qt.callLater(viewer.finished)
}
