// OActivity: an activity indicator outlet; spins while the screen animates it and hides
// when it stops.
//
//   OActivity { outlet: "activityIndicator" }
import QtQuick
import QtQuick.Controls
import Ohmkit

BusyIndicator {
    id: indicator
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property ActivityBridge view: screen && outlet ? screen.outlet(outlet) : null

    objectName: outlet
    running: view ? view.animating : false
    visible: view ? !view.hidden && view.animating : false
    implicitWidth: OStyle.barImageSize
    implicitHeight: OStyle.barImageSize
}
