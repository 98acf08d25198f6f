// Datasheet viewer: the file in the web view (PDF page by page, images, text and HTML), the
// wait cursor while it loads, and for a file type the app cannot show, a way to open it with
// the desktop's default application.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property WebBridge web: screen ? screen.outlet("webView") : null
    readonly property bool unsupported: web !== null && web.contentKind === "other"

    OWebView {
        screen: root.screen
        outlet: "webView"
        anchors.fill: parent
        visible: !root.unsupported && (view ? !view.hidden : false)
    }

    ColumnLayout {
        objectName: "unsupported"
        visible: root.unsupported
        anchors.centerIn: parent
        width: parent.width - 4 * OStyle.margin
        spacing: 14

        Text {
            Layout.fillWidth: true
            text: qsTr("Ohmkit cannot show this kind of file.")
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.fontSize
            font.bold: true
            color: OStyle.text
        }
        Text {
            Layout.fillWidth: true
            text: root.screen ? root.screen.title : ""
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WrapAnywhere
            font.pixelSize: OStyle.smallFontSize + 1
            color: OStyle.secondaryText
        }
        Button {
            objectName: "openExternally"
            Layout.alignment: Qt.AlignHCenter
            text: qsTr("Open with default application")
            font.pixelSize: OStyle.fontSize - 1
            palette.buttonText: OStyle.accent
            onClicked: if (root.web) Qt.openUrlExternally(root.web.source)
        }
    }

    OActivity {
        screen: root.screen
        outlet: "waitCursor"
        anchors.centerIn: parent
        implicitWidth: 48
        implicitHeight: 48
    }
}
