// OScrollView: a scroll view outlet (or, without an outlet, a plain scroll area) holding the
// items declared inside it.
//
//   OScrollView {
//       outlet: "scrollView"; anchors.fill: parent
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
    property ScreenBridge screen: ScreenPage.screen
    property string outlet
    readonly property ScrollBridge view: screen && outlet ? screen.outlet(outlet) : null

    objectName: outlet
    visible: view ? !view.hidden : !outlet
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

    // Scrolls so that `item` (inside the scroll view) is shown whole, when it can be.
    function reveal(item) {
        let inside = false
        for (let p = item; p; p = p.parent) if (p === contentItem) { inside = true; break }
        if (!inside) return
        const top = item.mapToItem(contentItem, 0, 0).y - OStyle.margin
        const bottom = top + item.height + 2 * OStyle.margin
        if (top < contentY) contentY = Math.max(0, top)
        else if (bottom > contentY + height) contentY = Math.min(Math.max(0, contentHeight - height), bottom - height)
    }
}
