// OButton: every button of the app, in one style.
//
//   OButton { actionName: "onLedsIncrease" }                 // the button wired to an action
//   OButton { outlet: "buttonWireInfo"; kind: "primary" }     // a button outlet
//   OButton { text: qsTr("Open"); onClicked: ... }            // a button of the layout's own
//
// A model button shows the screen's title and image for it, follows its hidden state, and a
// click is the model's tap. `kind`: "secondary" (tinted, the default), "primary" (filled with
// the accent colour) or "destructive". At least OStyle.touchTarget square; the keyboard focus
// shows as a frame.
import QtQuick
import QtQuick.Controls
import Ohmkit

Button {
    id: button
    property ScreenBridge screen: ScreenPage.screen
    property string outlet
    property string actionName
    property string kind: "secondary"
    readonly property ButtonBridge view: !screen ? null
                                        : outlet ? screen.outlet(outlet)
                                        : actionName ? screen.action(actionName) : null
    readonly property color fill: kind === "primary" ? OStyle.primaryButton
                                : kind === "destructive" ? OStyle.destructive : OStyle.secondaryButton
    readonly property color foreground: !enabled ? OStyle.disabledText
                                      : kind === "primary" ? OStyle.primaryButtonText
                                      : kind === "destructive" ? OStyle.destructiveText : OStyle.accent

    objectName: outlet ? outlet : actionName
    visible: view ? !view.hidden : !outlet && !actionName
    text: view ? view.title : ""
    icon.source: view ? view.image : ""
    icon.width: OStyle.buttonIconSize
    icon.height: OStyle.buttonIconSize
    font.pixelSize: OStyle.fontSize
    focusPolicy: Qt.StrongFocus
    padding: OStyle.buttonPadding
    leftPadding: text ? OStyle.buttonTextPadding : OStyle.buttonPadding
    rightPadding: text ? OStyle.buttonTextPadding : OStyle.buttonPadding
    implicitWidth: Math.max(OStyle.touchTarget, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: Math.max(OStyle.touchTarget, implicitContentHeight + topPadding + bottomPadding)

    contentItem: Item {
        implicitWidth: (picture.visible ? picture.width + row.spacing : 0) + (label.visible ? label.implicitWidth : 0)
        implicitHeight: Math.max(picture.visible ? picture.height : 0, label.implicitHeight)
        Row {
            id: row
            anchors.centerIn: parent
            spacing: OStyle.smallSpacing
            Image {
                id: picture
                anchors.verticalCenter: parent.verticalCenter
                visible: source.toString() !== ""
                source: button.icon.source
                width: button.icon.width
                height: button.icon.height
                sourceSize.width: width * 2
                sourceSize.height: height * 2
                fillMode: Image.PreserveAspectFit
            }
            Text {
                id: label
                anchors.verticalCenter: parent.verticalCenter
                visible: text !== ""
                width: Math.min(implicitWidth, Math.max(0, button.availableWidth - (picture.visible ? picture.width + row.spacing : 0)))
                text: button.text
                font: button.font
                color: button.foreground
                elide: Text.ElideRight
            }
        }
    }

    background: Rectangle {
        radius: OStyle.radius
        color: button.fill
        opacity: button.enabled ? 1 : 0.5
        border.width: button.visualFocus ? OStyle.focusFrameWidth : 0
        border.color: button.kind === "secondary" ? OStyle.accent : OStyle.text
        Rectangle {
            anchors.fill: parent
            radius: parent.radius
            color: OStyle.pressed
            visible: button.down
        }
    }

    onClicked: if (view) view.userTap()
}
