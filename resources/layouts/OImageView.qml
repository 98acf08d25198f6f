// OImageView: an image file for OWebView (which sets `view` and hears `finished` once the
// image is read or has failed).
//
// The image opens fitted inside the view and stays fitted when the view is resized until the
// user zooms (see OZoomControls; Ctrl+0 fits it again); dragging and flicking pan.
import QtQuick
import QtQuick.Controls
import Ohmkit

Item {
    id: viewer
    property WebBridge view
    signal finished()

    readonly property size imageSize: Qt.size(picture.implicitWidth, picture.implicitHeight)
    property bool fitted: true
    property real userZoom: 1
    readonly property real fitZoom: imageSize.width > 0 && imageSize.height > 0
                                    ? Math.min(area.width / imageSize.width, area.height / imageSize.height) : 1
    readonly property real zoom: fitted ? fitZoom : userZoom
    readonly property real minZoom: Math.min(fitZoom, 1) / 2
    readonly property real maxZoom: Math.max(fitZoom, 1) * 8

    // Zooms keeping the image point under (px, py) of the view where it is.
    function setZoom(value, px, py) {
        const clamped = Math.max(minZoom, Math.min(maxZoom, value))
        const ix = (area.contentX + px - picture.x) / zoom
        const iy = (area.contentY + py - picture.y) / zoom
        userZoom = clamped
        fitted = false
        area.contentX = Math.max(0, Math.min(picture.x + ix * zoom - px, area.contentWidth - area.width))
        area.contentY = Math.max(0, Math.min(picture.y + iy * zoom - py, area.contentHeight - area.height))
    }
    function fitAgain() { fitted = true }

    Rectangle {
        anchors.fill: parent
        color: OStyle.separator
    }

    Flickable {
        id: area
        objectName: "imageArea"
        anchors.fill: parent
        clip: true
        contentWidth: Math.max(width, picture.width)
        contentHeight: Math.max(height, picture.height)
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        ScrollBar.horizontal: ScrollBar {}

        Image {
            id: picture
            objectName: "image"
            x: (area.contentWidth - width) / 2
            y: (area.contentHeight - height) / 2
            width: implicitWidth * viewer.zoom
            height: implicitHeight * viewer.zoom
            source: viewer.view ? viewer.view.source : ""
            asynchronous: true
            smooth: true
            mipmap: true
            onStatusChanged: if (status === Image.Ready || status === Image.Error) viewer.finished()
        }
    }

    OZoomControls {
        anchors.fill: parent
        target: viewer
        active: picture.status === Image.Ready
    }
}
