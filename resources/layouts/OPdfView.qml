// OPdfView: a PDF document for reading on a phone as on a desktop, for OWebView (which sets
// `view` and hears `finished` once the document is read or has failed).
//
// The pages lie one under the other on a tinted background with a gap between them, fitted to
// the width of the view (and kept fitted when the view is resized) until the user zooms (see
// OZoomControls; Ctrl+0 fits the width again). "Width" and "Page" fit the width or the whole
// page. Dragging and flicking pan. The page field shows "page / pages" and jumps to a typed
// page. "Find" searches the text, highlights every match and steps through them; "Select"
// turns drags into text selection, copied with "Copy" or Ctrl+C.
//
// Only the pages near the visible ones exist; each is drawn once the zoom has settled, and
// shown scaled meanwhile.
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Pdf
import QtQuick.Shapes
import Ohmkit

Item {
    id: viewer
    property WebBridge view
    signal finished()

    // Pixels per point. `fit` is "width" or "page" while the view keeps the pages fitted, and
    // empty once the user has zoomed.
    property string fit: "width"
    property real userZoom: 1
    readonly property real fitWidthZoom: pdfDocument.maxPageWidth > 0 && pages.width > 0
                                         ? pages.width / pdfDocument.maxPageWidth : 1
    readonly property real fitPageZoom: pdfDocument.maxPageHeight > 0 && pages.height > 2 * pageGap
                                        ? Math.min(fitWidthZoom, (pages.height - 2 * pageGap) / pdfDocument.maxPageHeight)
                                        : fitWidthZoom
    readonly property real zoom: fit === "width" ? fitWidthZoom : fit === "page" ? fitPageZoom : userZoom
    readonly property real minZoom: fitPageZoom / 2
    // Pages are drawn at most 4000 pixels wide.
    readonly property real maxZoom: pdfDocument.maxPageWidth > 0 ? Math.max(fitWidthZoom, 4000 / pdfDocument.maxPageWidth) : 4
    // The zoom pages are drawn at: it follows `zoom` once that has been still for a moment.
    property real renderZoom: 0
    readonly property real pageGap: 12
    readonly property int pageCount: pdfDocument.status === PdfDocument.Ready ? pdfDocument.pageCount : 0
    readonly property int currentPage: pageAt(pages.height / 2)
    property int searchCount: 0
    property bool selecting: false
    property string selectedText: ""
    property int selectedPage: -1

    // The source is set through the bridge (see WebBridge.setPdfSource).
    function openSource() { if (view) view.setPdfSource(pdfDocument, view.source) }
    onViewChanged: openSource()
    Connections {
        target: viewer.view
        function onContentChanged() { viewer.openSource() }
    }

    PdfDocument {
        id: pdfDocument
        onStatusChanged: {
            if (pdfDocument.status === PdfDocument.Ready || pdfDocument.status === PdfDocument.Error) viewer.finished()
        }
    }

    PdfSearchModel {
        id: search
        document: pdfDocument
        searchString: findBar.visible ? findField.text : ""
        onCurrentResultChanged: viewer.showSearchResult()
    }
    Connections {
        target: search
        function onModelReset() { viewer.countResults() }
        function onRowsInserted() { viewer.countResults() }
        function onRowsRemoved() { viewer.countResults() }
    }

    // ---- Zoom and position

    // The page under the point `y` of the view (the last one above it when `y` is in a gap).
    function pageAt(y) {
        if (pageCount === 0) return -1
        for (let dy = 0; dy <= pageGap; dy += pageGap / 2) {
            const index = pages.indexAt(pages.contentX + 1, pages.contentY + y - dy)
            if (index >= 0) return index
        }
        return 0
    }

    // Changes the zoom (or the fit) keeping the document point under (`px`, `py`) of the view
    // where it is.
    function zoomAround(apply, px, py) {
        const page = pageAt(py)
        const item = page >= 0 ? pages.itemAtIndex(page) : null
        const before = zoom
        const fx = pages.contentWidth > 0 ? (pages.contentX + px) / pages.contentWidth : 0
        const fy = item ? (pages.contentY + py - item.y) / item.height : 0
        apply()
        if (zoom === before || !item) return
        pages.forceLayout()
        pages.positionViewAtIndex(page, ListView.Beginning)
        const moved = pages.itemAtIndex(page)
        if (moved) pages.contentY = moved.y + fy * moved.height - py
        pages.contentX = Math.max(0, Math.min(fx * pages.contentWidth - px, pages.contentWidth - pages.width))
        pages.returnToBounds()
    }
    function setZoom(value, px, py) {
        const clamped = Math.max(minZoom, Math.min(maxZoom, value))
        zoomAround(() => { userZoom = clamped; fit = "" }, px === undefined ? pages.width / 2 : px,
                   py === undefined ? pages.height / 2 : py)
    }
    function fitWidth() { zoomAround(() => { fit = "width" }, 0, 0) }
    function fitAgain() { fitWidth() }
    function fitPage() {
        const page = Math.max(0, currentPage)
        fit = "page"
        pages.forceLayout()
        goToPage(page)
    }
    function goToPage(page) {
        if (page < 0 || page >= pageCount) return false
        pages.positionViewAtIndex(page, ListView.Beginning)
        return true
    }

    onZoomChanged: settle.restart()
    Timer {
        id: settle
        interval: 150
        onTriggered: viewer.renderZoom = viewer.zoom
    }

    // ---- Find

    // Results arrive page by page; the first one found is shown at once.
    function countResults() {
        const before = searchCount
        searchCount = search.rowCount()
        if (searchCount > 0 && (before === 0 || search.currentResult < 0)) {
            search.currentResult = 0
            showSearchResult()
        }
    }
    function findNext() {
        if (searchCount > 0) search.currentResult = (search.currentResult + 1) % searchCount
    }
    function findPrevious() {
        if (searchCount > 0) search.currentResult = (search.currentResult - 1 + searchCount) % searchCount
    }
    // Brings the current match into view, a third of the way down.
    function showSearchResult() {
        const link = search.currentResultLink
        if (!findBar.visible || !link || link.page < 0 || link.page >= pageCount) return
        pages.positionViewAtIndex(link.page, ListView.Beginning)
        const item = pages.itemAtIndex(link.page)
        if (!item) return
        const rect = link.rectangles.length > 0 ? link.rectangles[0] : Qt.rect(link.location.x, link.location.y, 0, 0)
        pages.contentY = item.y + rect.y * zoom - pages.height / 3
        pages.contentX = Math.max(0, Math.min(item.pageX + rect.x * zoom - pages.width / 3, pages.contentWidth - pages.width))
        pages.returnToBounds()
    }
    function openFind() {
        findBar.visible = true
        findField.forceActiveFocus()
        findField.selectAll()
    }
    function closeFind() {
        findBar.visible = false
        findField.focus = false
    }

    // ---- Text selection

    // Copies the selected text, then leaves selecting (the drags pan again).
    function copySelection() {
        const item = selectedPage >= 0 ? pages.itemAtIndex(selectedPage) : null
        if (item && selectedText !== "") item.copySelection()
        stopSelecting()
    }
    function stopSelecting() {
        const item = selectedPage >= 0 ? pages.itemAtIndex(selectedPage) : null
        if (item) item.clearSelection()
        selectedText = ""
        selectedPage = -1
        selecting = false
    }

    Shortcut { sequences: [StandardKey.Find]; enabled: viewer.visible; onActivated: viewer.openFind() }
    Shortcut { sequences: [StandardKey.FindNext]; enabled: viewer.visible && findBar.visible; onActivated: viewer.findNext() }
    Shortcut { sequences: [StandardKey.FindPrevious]; enabled: viewer.visible && findBar.visible; onActivated: viewer.findPrevious() }
    Shortcut { sequences: [StandardKey.Copy]; enabled: viewer.visible && viewer.selectedText !== ""; onActivated: viewer.copySelection() }
    Shortcut { sequence: "Esc"; enabled: viewer.visible && viewer.selecting; onActivated: viewer.stopSelecting() }

    // A bar button; `active` marks the mode in force (filled).
    component BarButton: OButton {
        property bool active: false
        kind: active ? "primary" : "secondary"
        font.pixelSize: OStyle.captionFontSize
        leftPadding: OStyle.buttonPadding
        rightPadding: OStyle.buttonPadding
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // The bar: page field, fits, selection and find.
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            color: OStyle.barBackground

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 4
                spacing: 2

                TextField {
                    id: pageField
                    objectName: "pdfPageField"
                    Layout.preferredWidth: Math.max(36, contentWidth + leftPadding + rightPadding + 4)
                    Layout.preferredHeight: 32
                    horizontalAlignment: TextInput.AlignHCenter
                    font.pixelSize: OStyle.smallFontSize + 2
                    color: OStyle.text
                    leftPadding: 6
                    rightPadding: 6
                    inputMethodHints: Qt.ImhDigitsOnly
                    validator: IntValidator { bottom: 1; top: Math.max(1, viewer.pageCount) }
                    text: viewer.currentPage + 1
                    background: Rectangle {
                        radius: 6
                        color: OStyle.background
                        border.width: pageField.activeFocus ? 2 : 1
                        border.color: pageField.activeFocus ? OStyle.accent : OStyle.fieldBorder
                    }
                    onAccepted: {
                        viewer.goToPage(parseInt(text) - 1)
                        focus = false
                    }
                    onActiveFocusChanged: if (activeFocus) selectAll(); else text = Qt.binding(() => viewer.currentPage + 1)
                }
                Text {
                    objectName: "pdfPageCount"
                    text: "/ " + viewer.pageCount
                    font.pixelSize: OStyle.smallFontSize + 2
                    color: OStyle.secondaryText
                }
                Item { Layout.fillWidth: true }
                BarButton {
                    objectName: "pdfFitWidth"
                    text: qsTr("Width")
                    active: viewer.fit === "width"
                    onClicked: viewer.fitWidth()
                }
                BarButton {
                    objectName: "pdfFitPage"
                    text: qsTr("Page")
                    active: viewer.fit === "page"
                    onClicked: viewer.fitPage()
                }
                BarButton {
                    objectName: "pdfSelect"
                    text: viewer.selectedText !== "" ? qsTr("Copy") : qsTr("Select")
                    active: viewer.selecting
                    onClicked: viewer.selectedText !== "" ? viewer.copySelection() : (viewer.selecting = !viewer.selecting)
                }
                BarButton {
                    objectName: "pdfFind"
                    text: qsTr("Find")
                    active: findBar.visible
                    onClicked: findBar.visible ? viewer.closeFind() : viewer.openFind()
                }
            }
        }

        // Find: the words, the count, previous and next.
        Rectangle {
            id: findBar
            objectName: "pdfFindBar"
            visible: false
            Layout.fillWidth: true
            Layout.preferredHeight: 44
            color: OStyle.barBackground

            RowLayout {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 4
                spacing: 2

                TextField {
                    id: findField
                    objectName: "pdfFindField"
                    Layout.fillWidth: true
                    Layout.preferredHeight: 32
                    placeholderText: qsTr("Find in document")
                    font.pixelSize: OStyle.smallFontSize + 2
                    color: OStyle.text
                    background: Rectangle {
                        radius: 6
                        color: OStyle.background
                        border.width: findField.activeFocus ? 2 : 1
                        border.color: findField.activeFocus ? OStyle.accent : OStyle.fieldBorder
                    }
                    onAccepted: viewer.findNext()
                    Keys.onEscapePressed: viewer.closeFind()
                }
                Text {
                    objectName: "pdfFindCount"
                    text: findField.text === "" ? ""
                          : viewer.searchCount === 0 ? qsTr("No match")
                          : (search.currentResult + 1) + " / " + viewer.searchCount
                    font.pixelSize: OStyle.smallFontSize + 1
                    color: OStyle.secondaryText
                }
                BarButton {
                    objectName: "pdfFindPrevious"
                    text: "\u2039"
                    enabled: viewer.searchCount > 0
                    onClicked: viewer.findPrevious()
                }
                BarButton {
                    objectName: "pdfFindNext"
                    text: "\u203a"
                    enabled: viewer.searchCount > 0
                    onClicked: viewer.findNext()
                }
            }
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        // The pages.
        ListView {
            id: pages
            objectName: "pdfPages"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: viewer.pageCount
            spacing: viewer.pageGap
            topMargin: viewer.pageGap
            bottomMargin: viewer.pageGap
            cacheBuffer: Math.max(0, height)
            contentWidth: Math.max(width, pdfDocument.maxPageWidth * viewer.zoom)
            flickableDirection: Flickable.AutoFlickIfNeeded
            boundsBehavior: Flickable.StopAtBounds
            interactive: !viewer.selecting
            ScrollBar.vertical: ScrollBar { minimumSize: 0.05 }
            ScrollBar.horizontal: ScrollBar {}

            // The tint behind the pages.
            Rectangle {
                parent: pages
                z: -1
                anchors.fill: parent
                color: OStyle.separator
            }

            delegate: Item {
                id: pageSlot
                required property int index
                readonly property size pointSize: pdfDocument.pagePointSize(index)
                readonly property real pageX: Math.max(0, (pages.contentWidth - paper.width) / 2)
                objectName: "pdfPage" + index
                width: pages.contentWidth
                height: pointSize.height * viewer.zoom

                function copySelection() { selection.copyToClipboard() }
                function clearSelection() { selection.clear() }

                Rectangle {
                    id: paper
                    objectName: "pdfPaper" + pageSlot.index
                    x: pageSlot.pageX
                    width: pageSlot.pointSize.width * viewer.zoom
                    height: pageSlot.height
                    // The paper of the page (documents are drawn on white whatever the theme),
                    // edged so that it stands out of the tint.
                    color: "white"
                    border.width: 1
                    border.color: Qt.darker(OStyle.separator, 1.4)

                    PdfPageImage {
                        id: image
                        anchors.fill: parent
                        anchors.margins: 1
                        document: pdfDocument
                        currentFrame: pageSlot.index
                        asynchronous: true
                        fillMode: Image.Stretch
                        readonly property real drawnZoom: viewer.renderZoom > 0 ? viewer.renderZoom : viewer.zoom
                        sourceSize.width: Math.round(pageSlot.pointSize.width * drawnZoom * Screen.devicePixelRatio)
                        sourceSize.height: Math.round(pageSlot.pointSize.height * drawnZoom * Screen.devicePixelRatio)
                    }

                    // Every match on the page, and a frame around the current one.
                    Shape {
                        id: matchShape
                        anchors.fill: parent
                        visible: findBar.visible && viewer.searchCount > 0
                        ShapePath {
                            strokeWidth: -1
                            fillColor: Qt.rgba(OStyle.accent.r, OStyle.accent.g, OStyle.accent.b, 0.3)
                            scale: Qt.size(viewer.zoom, viewer.zoom)
                            PathMultiline {
                                id: matches
                                paths: []
                            }
                        }
                        ShapePath {
                            strokeWidth: 2 / viewer.zoom
                            strokeColor: OStyle.accent
                            fillColor: "transparent"
                            scale: Qt.size(viewer.zoom, viewer.zoom)
                            PathMultiline {
                                paths: search.currentPage === pageSlot.index ? search.currentResultBoundingPolygons : []
                            }
                        }
                        function update() { matches.paths = visible ? search.boundingPolygonsOnPage(pageSlot.index) : [] }
                        onVisibleChanged: update()
                        Component.onCompleted: update()
                        Connections {
                            target: search
                            function onCurrentPageBoundingPolygonsChanged() { matchShape.update() }
                            function onModelReset() { matchShape.update() }
                            function onRowsInserted() { matchShape.update() }
                        }
                    }

                    // The selected text.
                    Shape {
                        anchors.fill: parent
                        visible: selection.text !== ""
                        ShapePath {
                            strokeWidth: -1
                            fillColor: Qt.rgba(OStyle.accent.r, OStyle.accent.g, OStyle.accent.b, 0.35)
                            scale: Qt.size(viewer.zoom, viewer.zoom)
                            PathMultiline { paths: selection.geometry }
                        }
                    }
                    PdfSelection {
                        id: selection
                        anchors.fill: parent
                        document: pdfDocument
                        page: pageSlot.index
                        renderScale: viewer.zoom
                        from: selectDrag.centroid.pressPosition
                        to: selectDrag.centroid.position
                        hold: !selectDrag.active
                        onTextChanged: {
                            if (text !== "") {
                                viewer.selectedPage = pageSlot.index
                                viewer.selectedText = text
                            } else if (viewer.selectedPage === pageSlot.index) {
                                viewer.selectedText = ""
                            }
                        }
                    }
                    DragHandler {
                        id: selectDrag
                        enabled: viewer.selecting
                        target: null
                    }
                }
            }
        }
    }

    OZoomControls {
        x: pages.x
        y: pages.y
        width: pages.width
        height: pages.height
        target: viewer
        active: viewer.pageCount > 0
    }
}
