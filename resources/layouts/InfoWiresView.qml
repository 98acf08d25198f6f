// Wire current load limits: the reference page, scrollable.
import QtQuick
import Ohmkit

OPage {
    id: root

    OWebView {
        screen: root.screen
        outlet: "m_cHTMLData"
        anchors.fill: parent
        padding: 8
    }
}
