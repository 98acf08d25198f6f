// Datasheet viewer: the file in the web view (PDF page by page, images, text and HTML), the
// wait cursor while it loads, and for a file type the app cannot show, its name, size and type
// and a way to open it with the desktop's default application (saying so when none can).
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
        spacing: 10

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
            objectName: "unsupportedName"
            Layout.fillWidth: true
            Layout.topMargin: 4
            text: root.screen ? root.screen.title : ""
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WrapAnywhere
            font.pixelSize: OStyle.fontSize - 1
            color: OStyle.text
        }
        OLabel {
            screen: root.screen
            outlet: "labelFileInfo"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.smallFontSize + 1
            textColor: OStyle.secondaryText
        }
        OButton {
            screen: root.screen
            actionName: "onButtonOpenExternally"
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 6
            font.pixelSize: OStyle.fontSize - 1
        }
        OLabel {
            screen: root.screen
            outlet: "labelOpenError"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.smallFontSize + 1
            textColor: OStyle.destructive
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
