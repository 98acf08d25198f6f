// OResultsPanel: the card that holds a screen's results, with a copy button.
//
//   OResultsPanel {
//       OResult { outlet: "m_cResults" }
//       OResult { outlet: "m_cResults2" }
//   }
//
// The button (two sheets; a tick for a moment once it has copied) puts the panel's shown
// result lines on the clipboard, one per line, each exactly as the screen wrote it (after
// its caption and ": " when it has one). Set `copyText` to copy something else (a result
// page's text). With `centred`, the lines keep the same room on both sides, so centred text
// is centred on the card, as long as their longest line still fits whole.
import QtQuick
import QtQuick.Layouts
import Ohmkit

Rectangle {
    id: panel
    default property alias content: lines.data
    property alias spacing: lines.spacing
    property string copyText
    property real padding: OStyle.spacing + 2
    property bool centred: false

    Layout.fillWidth: true
    implicitWidth: lines.implicitWidth + copy.implicitWidth + 3 * padding
    implicitHeight: Math.max(lines.implicitHeight, copy.implicitHeight) + 2 * padding
    radius: OStyle.radius
    color: OStyle.surface

    ColumnLayout {
        id: lines
        anchors.left: parent.left
        anchors.right: copy.left
        anchors.verticalCenter: parent.verticalCenter
        // Centred lines keep the copy button's room on the left too, unless the longest of
        // them would then have to wrap.
        anchors.leftMargin: panel.centred && panel.width - 2 * (copy.width + panel.padding) >= implicitWidth
                            ? copy.width + panel.padding : panel.padding
        anchors.rightMargin: panel.centred ? panel.padding : panel.padding / 2
        spacing: OStyle.smallSpacing
    }

    OButton {
        id: copy
        objectName: "copyResults"
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: panel.padding / 2
        text: copied.running ? qsTr("Copied") : qsTr("Copy")
        Accessible.name: text
        contentItem: Item {
            implicitWidth: 20
            implicitHeight: 20
            // Two sheets, one over the other.
            Repeater {
                model: copied.running ? 0 : 2
                Rectangle {
                    required property int index
                    x: index === 0 ? 1 : 6
                    y: index === 0 ? 1 : 5
                    width: 12
                    height: 14
                    radius: 2
                    color: index === 0 ? "transparent" : copy.fill
                    border.width: 1.5
                    border.color: copy.foreground
                }
            }
            Text {
                anchors.centerIn: parent
                visible: copied.running
                text: "\u2713"
                font.pixelSize: OStyle.fontSize
                font.bold: true
                color: copy.foreground
            }
        }
        onClicked: {
            Clipboard.setText(panel.copyText !== "" ? panel.copyText : panel.collect(lines))
            copied.restart()
        }
        Timer { id: copied; interval: 1500 }
    }

    // The text of every shown result line under `item`, in order.
    function collect(item) {
        let found = []
        for (let i = 0; i < item.children.length; ++i) {
            const child = item.children[i]
            if (child.modelText !== undefined && child.visible) {
                if (child.modelText !== "")
                    found.push(child.caption ? child.caption + ": " + child.modelText : child.modelText)
            } else {
                const inner = collect(child)
                if (inner !== "") found.push(inner)
            }
        }
        return found.join("\n")
    }
}
