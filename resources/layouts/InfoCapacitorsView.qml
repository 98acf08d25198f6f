// Capacitor codes: two digit wheels, the multiplier digit and the tolerance letter, over
// the result page.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root

    ColumnLayout {
        anchors.fill: parent
        anchors.margins: OStyle.margin
        spacing: 8

        RowLayout {
            Layout.fillWidth: true
            spacing: 6
            Repeater {
                model: [qsTr("1st digit"), qsTr("2nd digit"), qsTr("Multiplier"), qsTr("Tolerance")]
                Text {
                    required property string modelData
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    horizontalAlignment: Text.AlignHCenter
                    text: modelData
                    font.pixelSize: OStyle.smallFontSize
                    color: OStyle.secondaryText
                }
            }
        }

        OPicker {
            screen: root.screen
            outlet: "m_cPickerView"
            Layout.fillWidth: true
        }

        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: OStyle.separator
        }

        OWebView {
            screen: root.screen
            outlet: "m_cResultsHTMLView"
            Layout.fillWidth: true
            Layout.fillHeight: true
            padding: 4
        }
    }
}
