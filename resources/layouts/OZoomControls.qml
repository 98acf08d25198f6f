// OZoomControls: the zoom gestures and buttons of a document view, laid over its content.
//
//   OZoomControls { anchors.fill: pages; target: viewer }
//
// Pinch, Ctrl+wheel, Ctrl+plus / Ctrl+minus and the round + and − buttons zoom around the
// pointer (or the middle of the view); Ctrl+0 fits again. The target offers `zoom`,
// `minZoom`, `maxZoom`, `setZoom(zoom, x, y)` (x and y in this item's coordinates) and
// `fitAgain()`. Other gestures pass through to the content below.
import QtQuick
import QtQuick.Controls
import Ohmkit

Item {
    id: controls
    required property Item target
    property bool active: true

    function zoomBy(factor, x, y) { target.setZoom(target.zoom * factor, x, y) }

    PinchHandler {
        target: null
        enabled: controls.active
        property real startZoom: 1
        onActiveChanged: if (active) startZoom = controls.target.zoom
        onActiveScaleChanged: if (active) controls.target.setZoom(startZoom * activeScale, centroid.position.x,
                                                                   centroid.position.y)
    }
    WheelHandler {
        target: null
        enabled: controls.active
        acceptedModifiers: Qt.ControlModifier
        onWheel: event => {
            const steps = event.angleDelta.y / 120
            if (steps !== 0) controls.zoomBy(Math.pow(1.25, steps), event.x, event.y)
        }
    }
    Shortcut {
        sequences: [StandardKey.ZoomIn, "Ctrl+="]
        enabled: controls.active && controls.visible
        onActivated: controls.zoomBy(1.25, controls.width / 2, controls.height / 2)
    }
    Shortcut {
        sequences: [StandardKey.ZoomOut]
        enabled: controls.active && controls.visible
        onActivated: controls.zoomBy(1 / 1.25, controls.width / 2, controls.height / 2)
    }
    Shortcut {
        sequence: "Ctrl+0"
        enabled: controls.active && controls.visible
        onActivated: controls.target.fitAgain()
    }

    component ZoomButton: OButton {
        font.pixelSize: OStyle.symbolFontSize
    }

    Column {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: OStyle.margin
        spacing: OStyle.spacing
        visible: controls.active

        ZoomButton {
            objectName: "zoomIn"
            text: "+"
            enabled: controls.target.zoom < controls.target.maxZoom
            onClicked: controls.zoomBy(1.25, controls.width / 2, controls.height / 2)
        }
        ZoomButton {
            objectName: "zoomOut"
            text: "\u2212"
            enabled: controls.target.zoom > controls.target.minZoom
            onClicked: controls.zoomBy(1 / 1.25, controls.width / 2, controls.height / 2)
        }
    }
}
