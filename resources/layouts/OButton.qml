// OButton: a button, found by the action it is wired to or by its outlet.
//
//   OButton { screen: root.screen; actionName: "onLedsIncrease" }
//   OButton { screen: root.screen; outlet: "buttonFtp" }
//
// Shows the screen's title and image for it and follows its hidden state; a click is the
// model's tap. `flat: false` draws a filled button.
import QtQuick
import QtQuick.Controls
import Ohmkit

Button {
    id: button
    property ScreenBridge screen
    property string outlet
    property string actionName
    readonly property ButtonBridge view: !screen ? null
                                        : outlet ? screen.outlet(outlet)
                                        : actionName ? screen.action(actionName) : null

    objectName: outlet ? outlet : actionName
    visible: view ? !view.hidden : false
    text: view ? view.title : ""
    icon.source: view ? view.image : ""
    icon.color: "transparent"
    icon.width: 28
    icon.height: 28
    flat: true
    font.pixelSize: OStyle.fontSize
    palette.buttonText: OStyle.accent
    palette.button: "#e9eef7"

    onClicked: if (view) view.userTap()
}
