// Capacitor codes: two digit wheels, the multiplier digit (with the factor it stands for)
// and the tolerance letter, over the result page.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property WebBridge results: screen ? screen.outlet("m_cResultsHTMLView") : null

    // The factor a multiplier digit stands for: 9 is a tenth, n is 10 to the n.
    function factor(digit) {
        const factors = { "9": "0.1", "0": "1", "1": "10", "2": "100", "3": "1k", "4": "10k", "5": "100k" }
        return factors[digit] !== undefined ? "\u00d7" + factors[digit] : ""
    }

    OForm {
        spacing: OStyle.margin

        OPicker {
            outlet: "m_cPickerView"
            captions: [qsTr("1st digit"), qsTr("2nd digit"), qsTr("Multiplier"), qsTr("Tolerance")]
            visibleRows: root.height < OStyle.compactPageHeight ? 3 : 5
            Layout.fillWidth: true
            // The letter wheel's blank row is "no letter".
            rowText: (wheel, row, data) => wheel === 3 && data.text.trim() === "" ? qsTr("none") : data.text
            rowDetail: (wheel, row, data) => wheel === 2 ? root.factor(data.text) : ""
        }

        OResultsPanel {
            copyText: root.results ? root.results.plainText : ""
            OWebView {
                id: page
                outlet: "m_cResultsHTMLView"
                Layout.fillWidth: true
                Layout.preferredHeight: flickable.contentHeight
                padding: 0
            }
        }
    }
}
