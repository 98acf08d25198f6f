// ONavigationBar: the bar over the screens: a back button (when there is a screen to go back
// to), the top screen's title centred, and its 36 x 36 picture on the right.
import QtQuick
import QtQuick.Controls
import Ohmkit

Rectangle {
    id: bar
    property ScreenBridge screen
    property string backTitle
    property bool canGoBack: false
    signal back()

    implicitHeight: OStyle.barHeight
    color: OStyle.barBackground

    AbstractButton {
        id: backButton
        objectName: "backButton"
        visible: bar.canGoBack
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        width: Math.min(backRow.implicitWidth + 16, bar.width / 3.2)
        onClicked: bar.back()

        Row {
            id: backRow
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            Text {
                text: "\u2039"
                font.pixelSize: 34
                color: OStyle.accent
                anchors.verticalCenter: parent.verticalCenter
                anchors.verticalCenterOffset: -2
                opacity: backButton.pressed ? 0.4 : 1
            }
            Text {
                width: Math.min(implicitWidth, bar.width / 3.2 - 40)
                text: bar.backTitle ? bar.backTitle : qsTr("Back")
                font.pixelSize: OStyle.fontSize
                color: OStyle.accent
                elide: Text.ElideRight
                anchors.verticalCenter: parent.verticalCenter
                opacity: backButton.pressed ? 0.4 : 1
            }
        }
    }

    Text {
        id: title
        objectName: "navigationTitle"
        anchors.centerIn: parent
        width: Math.min(implicitWidth, bar.width - 2 * Math.max(backButton.visible ? backButton.width : 0, 56))
        text: bar.screen ? bar.screen.title : ""
        font.pixelSize: OStyle.titleFontSize
        font.weight: Font.DemiBold
        color: OStyle.text
        elide: Text.ElideRight
    }

    Image {
        objectName: "navigationImage"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: bar.screen && bar.screen.rightImageSize.width > 0 ? bar.screen.rightImageSize.width : 36
        height: bar.screen && bar.screen.rightImageSize.height > 0 ? bar.screen.rightImageSize.height : 36
        visible: source.toString() !== ""
        source: bar.screen ? bar.screen.rightImage : ""
        sourceSize.width: width * 2
        sourceSize.height: height * 2
        fillMode: Image.PreserveAspectFit
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: OStyle.separator
    }
}
