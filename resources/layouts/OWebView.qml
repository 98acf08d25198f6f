// OWebView: a web view outlet.
//
//   OWebView { outlet: "webView"; anchors.fill: parent }
//
// An HTML string or an .htm/.html file is shown as rich text (bold, line breaks, tables,
// links open in the desktop's browser), a text file as plain text, an image file as an
// image and a PDF in a page view; the view scrolls. It reports each load's start and end to
// the model, whose delegate hears of them as it would from a browser. `flickable` is the
// scrolling area of an HTML or text page (its contentHeight is the page's height).
import QtQuick
import QtQuick.Controls
import Ohmkit

Item {
    id: web
    property ScreenBridge screen: ScreenPage.screen
    property string outlet
    readonly property WebBridge view: screen && outlet ? screen.outlet(outlet) : null
    readonly property string contentKind: view ? view.contentKind : "none"
    property real padding: 12
    readonly property alias flickable: flick

    objectName: outlet
    visible: view ? !view.hidden : false
    clip: true

    Flickable {
        id: flick
        anchors.fill: parent
        visible: web.contentKind === "html" || web.contentKind === "text"
        contentWidth: width
        contentHeight: page.height + 2 * web.padding
        boundsBehavior: Flickable.StopAtBounds
        ScrollIndicator.vertical: ScrollIndicator {}

        Text {
            id: page
            objectName: web.outlet + ":text"
            x: web.padding
            y: web.padding
            width: flick.width - 2 * web.padding
            text: web.view && flick.visible ? web.view.content : ""
            textFormat: web.contentKind === "text" ? Text.PlainText : Text.RichText
            baseUrl: web.view ? web.view.source : ""
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.fontSize - 1
            color: OStyle.text
            linkColor: OStyle.accent
            onLinkActivated: link => Qt.openUrlExternally(link)
        }
    }

    Image {
        id: picture
        anchors.fill: parent
        visible: web.contentKind === "image"
        source: visible ? web.view.source : ""
        fillMode: Image.PreserveAspectFit
        onStatusChanged: if (status === Image.Ready || status === Image.Error) web.finishLoad()
    }

    Loader {
        id: pdf
        anchors.fill: parent
        active: web.contentKind === "pdf"
        source: "OPdfView.qml"
        onLoaded: item.source = Qt.binding(() => web.view ? web.view.source : "")
        Connections {
            target: pdf.item
            function onFinished() { web.finishLoad() }
        }
    }

    Text {
        anchors.centerIn: parent
        visible: web.contentKind === "other"
        text: web.view ? web.view.url.split("/").pop() : ""
        color: OStyle.secondaryText
        font.pixelSize: OStyle.fontSize
    }

    // A load begins when the model's view starts loading: report it on a later turn, then
    // its end once the content is on screen (images and PDFs report when they are ready).
    property bool loadReported: false
    function startLoad() {
        if (!view || !view.loading || loadReported) return
        loadReported = true
        view.loadDidStart()
        if (contentKind === "html" || contentKind === "text" || contentKind === "other" || contentKind === "none")
            Qt.callLater(finishLoad)
        else if (contentKind === "image" && picture.status !== Image.Loading)
            Qt.callLater(finishLoad)
    }
    function finishLoad() {
        loadReported = false
        if (view && view.loading) view.loadDidFinish()
    }

    Connections {
        target: web.view
        function onChanged() { if (web.view.loading) Qt.callLater(web.startLoad) }
        function onContentChanged() { if (web.view.loading) Qt.callLater(web.startLoad) }
    }
    Component.onCompleted: Qt.callLater(startLoad)
}
