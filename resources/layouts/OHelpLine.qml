// OHelpLine: a label outlet with a screen's formula and where it comes from, in small print.
//
//   OHelpLine { outlet: "labelHelp" }
import QtQuick
import QtQuick.Layouts
import Ohmkit

OLabel {
    Layout.fillWidth: true
    Layout.topMargin: OStyle.smallSpacing
    font.pixelSize: OStyle.smallFontSize
    textColor: OStyle.secondaryText
}
