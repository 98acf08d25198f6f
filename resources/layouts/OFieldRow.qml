// OFieldRow: a caption and the control it names, side by side; the caption wraps.
//
//   OFieldRow {
//       caption: qsTr("Current, A")
//       OTextField { outlet: "textCurrent"; Layout.fillWidth: true }
//   }
//
// The controls are laid out in a row `controlWidth` wide at the right; the caption takes the
// rest. Its height follows the caption's wrapped lines from the first frame on.
import QtQuick
import QtQuick.Layouts
import Ohmkit

Item {
    id: row
    required property string caption
    default property alias controls: slot.data
    property real controlWidth: OStyle.fieldWidth

    Layout.fillWidth: true
    implicitWidth: label.implicitWidth + OStyle.spacing + controlWidth
    implicitHeight: Math.max(label.implicitHeight, slot.implicitHeight)

    Text {
        id: label
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: row.width - row.controlWidth - OStyle.spacing
        text: row.caption
        font.pixelSize: OStyle.captionFontSize
        color: OStyle.secondaryText
        wrapMode: Text.Wrap
    }

    RowLayout {
        id: slot
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: row.controlWidth
        spacing: OStyle.tightSpacing
    }
}
