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
        outlet: "webView"
        anchors.fill: parent
        visible: !root.unsupported && (view ? !view.hidden : false)
    }

    ColumnLayout {
        objectName: "unsupported"
        visible: root.unsupported
        anchors.centerIn: parent
        width: Math.min(parent.width - 4 * OStyle.margin, OStyle.contentMaxWidth)
        spacing: OStyle.spacing

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
            Layout.topMargin: OStyle.tightSpacing
            text: root.screen ? root.screen.title : ""
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.WrapAnywhere
            font.pixelSize: OStyle.captionFontSize
            color: OStyle.text
        }
        OLabel {
            outlet: "labelFileInfo"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.captionFontSize
            textColor: OStyle.secondaryText
        }
        OButton {
            actionName: "onButtonOpenExternally"
            kind: "primary"
            Layout.alignment: Qt.AlignHCenter
            Layout.maximumWidth: parent.width
            Layout.topMargin: OStyle.smallSpacing
        }
        OLabel {
            outlet: "labelOpenError"
            Layout.fillWidth: true
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: OStyle.captionFontSize
            textColor: OStyle.message
        }
    }

    OActivity {
        outlet: "waitCursor"
        anchors.centerIn: parent
        implicitWidth: OStyle.touchTarget
        implicitHeight: OStyle.touchTarget
    }
}
