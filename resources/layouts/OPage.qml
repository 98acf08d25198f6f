// OPage: the root of every screen layout.
//
//   // resources/layouts/InfoLedsView.qml — named after the controller's class
//   OPage {
//       OForm {
//           OLabel { outlet: "labelResult1"; Layout.fillWidth: true }
//       }
//   }
//
// The window pushes the page with `screen` set to the screen's bridge (ScreenBridge: title,
// outlets by name, actions by name). Components inside find it themselves (the attached
// `ScreenPage.screen`) and their control by `outlet` (or a button by `actionName`). When the
// page goes away it lets the screen go.
import QtQuick
import Ohmkit

ScreenPage {
    id: page
    property alias color: background.color

    objectName: screen ? "page:" + screen.className : "page"

    Rectangle {
        id: background
        anchors.fill: parent
        color: OStyle.background
    }

    Component.onDestruction: if (screen) screen.pageClosed()
}
