// ONumberRow: a caption and the text field outlet it names.
//
//   ONumberRow { caption: qsTr("Current, A"); outlet: "textCurrent" }
import QtQuick
import QtQuick.Layouts
import Ohmkit

OFieldRow {
    id: row
    required property string outlet
    OTextField { outlet: row.outlet; Layout.fillWidth: true }
}
