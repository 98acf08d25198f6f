// OLabel: a label outlet's text.
//
//   OLabel { outlet: "labelHint"; Layout.fillWidth: true }
//
// Shows the text, font size, boldness, centring, background and hidden state the screen sets;
// wraps at its width (never between a number and its unit) and tells the model its size
// (resizable labels wrap by it). Override the look with `font`, `textColor`,
// `horizontalAlignment`, `wrapMode`, `elide`, `padding`. Results are OResult lines.
import QtQuick
import Ohmkit

Rectangle {
    id: label
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property LabelBridge view: screen && outlet ? screen.outlet(outlet) : null

    property alias text: textItem.text
    property alias font: textItem.font
    property alias textColor: textItem.color
    property alias horizontalAlignment: textItem.horizontalAlignment
    property alias verticalAlignment: textItem.verticalAlignment
    property alias wrapMode: textItem.wrapMode
    property alias elide: textItem.elide
    property alias maximumLineCount: textItem.maximumLineCount
    property real padding: 0

    objectName: outlet
    visible: view ? !view.hidden : false
    color: view ? OStyle.modelColor(view.backgroundColor) : "transparent"
    radius: view ? view.cornerRadius : 0
    border.width: view ? view.borderWidth : 0
    border.color: view ? OStyle.modelColor(view.borderColor) : "transparent"
    implicitWidth: textItem.implicitWidth + 2 * padding
    implicitHeight: textItem.implicitHeight + 2 * padding

    Text {
        id: textItem
        anchors.fill: parent
        anchors.margins: label.padding
        text: label.view ? label.view.displayText : ""
        color: OStyle.text
        font.pixelSize: label.view ? label.view.fontSize : OStyle.fontSize
        font.bold: label.view ? label.view.bold : false
        horizontalAlignment: label.view && label.view.centered ? Text.AlignHCenter : Text.AlignLeft
        verticalAlignment: Text.AlignVCenter
        wrapMode: Text.Wrap
    }

    // On a later turn: a size that follows the text changes while the text binding runs, and
    // the model's answer would re-enter it.
    function sendSize() { if (view) view.reportSize(width, height) }
    function reportSize() { Qt.callLater(sendSize) }
    onWidthChanged: reportSize()
    onHeightChanged: reportSize()
    onViewChanged: reportSize()
}
