// OHeading: a heading over a part of a form.
//
//   OHeading { text: qsTr("Voltage and power ratios") }
import QtQuick
import QtQuick.Layouts
import Ohmkit

Text {
    Layout.fillWidth: true
    Layout.topMargin: OStyle.tightSpacing
    font.pixelSize: OStyle.headingFontSize
    font.bold: true
    wrapMode: Text.Wrap
    color: OStyle.text
    Accessible.role: Accessible.Heading
}
