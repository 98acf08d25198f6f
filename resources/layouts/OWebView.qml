// OWebView: a web view outlet.
//
//   OWebView { outlet: "webView"; anchors.fill: parent }
//
// An HTML string or an .htm/.html file is shown as rich text (bold, line breaks, tables,
// links open in the desktop's browser unless `linkHandler(link)` returns true); a PDF, an
// image or a text file is shown by a component of its own (OPdfView, OImageView, OTextView).
// It reports each load's start and end to the model, whose delegate hears of them as it would
// from a browser. `flickable` is the scrolling area of an HTML page (its contentHeight is the
// page's height).
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
    // Called with a link of the HTML before it is opened in the browser; true keeps it here.
    property var linkHandler: null

    objectName: outlet
    visible: view ? !view.hidden : false
    clip: true

    Flickable {
        id: flick
        anchors.fill: parent
        visible: web.contentKind === "html"
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
            // Rich text takes its link colour from a style sheet, not from linkColor.
            text: web.view && flick.visible ? "<style>a { color: " + OStyle.accent + "; }</style>" + web.view.content : ""
            textFormat: Text.RichText
            baseUrl: web.view ? web.view.source : ""
            wrapMode: Text.Wrap
            font.pixelSize: OStyle.fontSize - 1
            color: OStyle.text
            onLinkActivated: link => {
                if (!web.linkHandler || !web.linkHandler(link)) Qt.openUrlExternally(link)
            }
        }
    }

    // A document component gets the view and tells when its content is shown.
    Loader {
        id: document
        anchors.fill: parent
        source: web.contentKind === "pdf" ? "OPdfView.qml"
              : web.contentKind === "image" ? "OImageView.qml"
              : web.contentKind === "text" ? "OTextView.qml" : ""
        onLoaded: item.view = Qt.binding(() => web.view)
        Connections {
            target: document.item
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
    // its end once the content is on screen (document components report when they are ready).
    property bool loadReported: false
    function startLoad() {
        if (!view || !view.loading || loadReported) return
        loadReported = true
        view.loadDidStart()
        if (contentKind === "html" || contentKind === "other" || contentKind === "none")
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
