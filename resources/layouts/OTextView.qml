// OTextView: a text file for OWebView (which sets `view` and hears `finished` once it is
// shown). The text wraps at the width of the view and can be selected and copied.
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
        persistentSelection: true
        font.pixelSize: OStyle.fontSize - 1
        color: OStyle.text
        selectionColor: OStyle.accent
        selectedTextColor: OStyle.background
    }

    // Shown as soon as it is laid out; reported on a later turn, after the load has begun.
    Component.onCompleted: Qt.callLater(viewer.finished)
}
