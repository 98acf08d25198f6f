// OPage: the root of every screen layout.
//
//   // resources/layouts/InfoLedsView.qml — named after the controller's class
//   OPage {
//       id: root
//       OLabel { screen: root.screen; outlet: "labelResult1" }
//   }
//
// The window pushes the page with `screen` set to the screen's bridge (ScreenBridge: title,
// outlets by name, actions by name). Pass `root.screen` to every component; each finds its
// control by `outlet` (or a button by `actionName`). When the page goes away it lets the
// screen go.
import QtQuick
import Ohmkit

Rectangle {
    id: page
    property ScreenBridge screen
    objectName: screen ? "page:" + screen.className : "page"
    color: OStyle.background

    Component.onDestruction: if (screen) screen.pageClosed()
}
