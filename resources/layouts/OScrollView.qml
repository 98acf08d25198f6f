// OScrollView: a scroll view outlet holding the items declared inside it.
//
//   OScrollView {
//       screen: root.screen; outlet: "scrollView"; anchors.fill: parent
//       ColumnLayout { width: parent.width; ... }
//   }
//
// Scrolls over the content size the screen sets (or the children's size when it sets
// none) and flashes its indicator when the screen asks.
import QtQuick
import QtQuick.Controls
import Ohmkit

Flickable {
    id: scroll
    property ScreenBridge screen
    property string outlet
    readonly property ScrollBridge view: screen && outlet ? screen.outlet(outlet) : null

    objectName: outlet
    visible: view ? !view.hidden : false
    clip: true
    boundsBehavior: Flickable.StopAtBounds
    contentWidth: view && view.contentWidth > 0 ? view.contentWidth : width
    contentHeight: view && view.contentHeight > 0 ? view.contentHeight : contentItem.childrenRect.height
    onWidthChanged: if (view) view.reportSize(width, height)
    onHeightChanged: if (view) view.reportSize(width, height)

    ScrollIndicator.vertical: ScrollIndicator { active: scroll.moving || flash.running }
    Timer { id: flash; interval: 1000 }
    Connections {
        target: scroll.view
        property int seen: 0
        function onChanged() {
            if (scroll.view.flashCount !== seen) { seen = scroll.view.flashCount; flash.restart() }
        }
    }
}
