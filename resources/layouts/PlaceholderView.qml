// A tool that is not built yet: its name and a short message.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    OLabel {
        outlet: "labelMessage"
        anchors.centerIn: parent
        width: parent.width - 2 * OStyle.margin
        horizontalAlignment: Text.AlignHCenter
        textColor: OStyle.secondaryText
    }
}
