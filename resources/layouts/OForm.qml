// OForm: a screen's content as one column, centred and at most OStyle.contentMaxWidth wide,
// that scrolls when it is taller than the screen.
//
//   OPage {
//       OForm {
//           OFieldRow { caption: qsTr("Current, A"); OTextField { outlet: "textCurrent"; Layout.fillWidth: true } }
//           OResultsPanel { OResult { outlet: "labelResult1" } }
//       }
//   }
//
// Items inside are laid out by a ColumnLayout (use Layout.* on them). Give `outlet` to follow
// a scroll view outlet of the screen. The control that has the keyboard focus is scrolled
// into view, so Tab can walk a long form.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OScrollView {
    id: form
    default property alias content: column.data
    property alias spacing: column.spacing

    anchors.fill: parent
    contentWidth: width
    // The form is never cut, whatever size the screen gives its scroll view.
    contentHeight: Math.max(view ? view.contentHeight : 0, column.implicitHeight + 2 * OStyle.margin)

    ColumnLayout {
        id: column
        x: (form.width - width) / 2
        y: OStyle.margin
        width: Math.min(form.width - 2 * OStyle.margin, OStyle.contentMaxWidth)
        spacing: OStyle.spacing
    }

    Connections {
        target: form.Window.window
        function onActiveFocusItemChanged() {
            const item = form.Window.activeFocusItem
            if (item) form.reveal(item)
        }
    }
}
