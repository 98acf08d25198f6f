// ONavigationBar: the bar over the screens: a back button (when there is a screen to go back
// to), the top screen's title, and its 36 x 36 picture on the right.
//
// The title has the first claim on the room: the back button shows the title of the screen
// below, or "Back", only while the title still fits centred beside it, and falls back to its
// chevron alone before the title gives anything up. A title too wide to be centred moves
// into the room between the chevron and the picture, then shrinks its font, and only then is
// cut short.
import QtQuick
import QtQuick.Controls
import Ohmkit

Rectangle {
    id: bar
    property ScreenBridge screen
    property string backTitle
    property bool canGoBack: false
    signal back()

    readonly property real gap: OStyle.smallSpacing + 2
    readonly property real chevronWidth: OStyle.touchTarget
    readonly property real rightWidth: picture.visible ? picture.width + picture.anchors.rightMargin + gap : gap
    readonly property real titleWidth: titleMetrics.advanceWidth + 2
    // The back button's text: the first of these that leaves the title centred and whole.
    readonly property string backText: !canGoBack ? ""
                                     : backTitle !== "" && fits(backTitleMetrics) ? backTitle
                                     : fits(backWordMetrics) ? backWordMetrics.text : ""
    function fits(metrics) {
        const button = chevronWidth + metrics.advanceWidth + gap
        return button <= width / 2.5 && titleWidth + 2 * Math.max(button, rightWidth) <= width
    }
    readonly property real leftWidth: !canGoBack ? gap : backText === "" ? chevronWidth : backButton.implicitWidth

    implicitHeight: OStyle.barHeight
    color: OStyle.barBackground

    TextMetrics {
        id: titleMetrics
        font: title.font
        text: title.text
    }
    TextMetrics {
        id: backTitleMetrics
        font.pixelSize: OStyle.fontSize
        text: bar.backTitle
    }
    TextMetrics {
        id: backWordMetrics
        font.pixelSize: OStyle.fontSize
        text: qsTr("Back")
    }

    AbstractButton {
        id: backButton
        objectName: "backButton"
        visible: bar.canGoBack
        anchors.left: parent.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        implicitWidth: Math.max(bar.chevronWidth, backRow.implicitWidth + 8 + bar.gap)
        width: implicitWidth
        focusPolicy: Qt.NoFocus
        onClicked: bar.back()

        Row {
            id: backRow
            x: 8
            anchors.verticalCenter: parent.verticalCenter
            spacing: 2
            opacity: backButton.pressed ? 0.4 : 1
            Text {
                text: "\u2039"
                font.pixelSize: 34
                color: OStyle.accent
                anchors.verticalCenter: parent.verticalCenter
                anchors.verticalCenterOffset: -2
            }
            Text {
                objectName: "backLabel"
                visible: text !== ""
                text: bar.backText
                font.pixelSize: OStyle.fontSize
                color: OStyle.accent
                anchors.verticalCenter: parent.verticalCenter
            }
        }
    }

    Text {
        id: title
        objectName: "navigationTitle"
        readonly property bool centred: bar.titleWidth + 2 * Math.max(bar.leftWidth, bar.rightWidth) <= bar.width
        x: centred ? (bar.width - width) / 2 : bar.leftWidth
        width: centred ? bar.titleWidth : bar.width - bar.leftWidth - bar.rightWidth
        anchors.verticalCenter: parent.verticalCenter
        text: bar.screen ? bar.screen.title : ""
        horizontalAlignment: Text.AlignHCenter
        font.pixelSize: OStyle.titleFontSize
        font.weight: Font.DemiBold
        fontSizeMode: Text.HorizontalFit
        minimumPixelSize: OStyle.minimumTitleFontSize
        color: OStyle.text
        elide: Text.ElideRight
    }

    Image {
        id: picture
        objectName: "navigationImage"
        anchors.right: parent.right
        anchors.rightMargin: OStyle.cellInset
        anchors.verticalCenter: parent.verticalCenter
        width: bar.screen && bar.screen.rightImageSize.width > 0 ? bar.screen.rightImageSize.width : OStyle.barImageSize
        height: bar.screen && bar.screen.rightImageSize.height > 0 ? bar.screen.rightImageSize.height : OStyle.barImageSize
        visible: source.toString() !== ""
        source: bar.screen ? OStyle.drawing(bar.screen.rightImage) : ""
        sourceSize.width: width * 2
        sourceSize.height: height * 2
        fillMode: Image.PreserveAspectFit
    }

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: OStyle.hairline
        color: OStyle.separator
    }
}
