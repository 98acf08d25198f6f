// Wire current load limits: the reference page, scrollable. The page's table is drawn as a
// real table (continuous stripes, padded cells) whose header stays at the top of the screen
// once the table's own header has scrolled away; the text around it is drawn as it is.
import QtQuick
import QtQuick.Layouts
import Ohmkit

OPage {
    id: root
    readonly property WebBridge page: screen ? screen.outlet("m_cHTMLData") : null
    readonly property var parts: split(page ? page.content : "")

    // The page in parts: the HTML before and after its table, and the table's header cells
    // and rows of cells, each cell {html, align, width (a fraction of the table, or 0)}.
    function split(html) {
        const start = html.indexOf("<table"), end = html.indexOf("</table>")
        const bodyOpen = html.indexOf("<body")
        const bodyStart = bodyOpen < 0 ? 0 : html.indexOf(">", bodyOpen) + 1
        const bodyEnd = html.indexOf("</body>") < 0 ? html.length : html.indexOf("</body>")
        if (start < 0 || end < 0) return { before: html.substring(bodyStart, bodyEnd), header: [], rows: [], after: "" }
        const cells = (row, tag) => {
            const found = []
            const pattern = new RegExp("<" + tag + "\\b([^>]*)>([\\s\\S]*?)</" + tag + ">", "g")
            for (let m = pattern.exec(row); m; m = pattern.exec(row)) {
                const width = /width="(\d+)%"/.exec(m[1])
                found.push({ html: decodeEntities(m[2].trim()), align: (/align="(\w+)"/.exec(m[1]) || [])[1] || "left",
                             width: width ? Number(width[1]) / 100 : 0 })
            }
            return found
        }
        let header = []
        const rows = []
        const rowPattern = /<tr\b[^>]*>([\s\S]*?)<\/tr>/g
        const table = html.substring(start, end)
        for (let m = rowPattern.exec(table); m; m = rowPattern.exec(table)) {
            if (header.length === 0 && m[1].indexOf("<th") >= 0) header = cells(m[1], "th")
            else rows.push(cells(m[1], "td"))
        }
        return { before: html.substring(bodyStart, start), header: header, rows: rows,
                 after: html.substring(end + "</table>".length, bodyEnd) }
    }

    // The named and numbered character references of the page's cells as the characters they
    // stand for (styled text knows only a few); &lt;, &gt; and &amp; stay for it to read.
    function decodeEntities(html) {
        const named = { Oslash: "\u00d8", sup2: "\u00b2", deg: "\u00b0", nbsp: "\u00a0", times: "\u00d7",
                        minus: "\u2212", middot: "\u00b7" }
        return html.replace(/&(#x?[0-9a-fA-F]+|\w+);/g, (whole, name) => {
            if (name[0] === "#")
                return String.fromCodePoint(name[1] === "x" ? parseInt(name.substring(2), 16) : parseInt(name.substring(1), 10))
            return named[name] !== undefined ? named[name] : whole
        })
    }

    // A row of the table. A cell never wraps inside a figure or a word: its lines are the
    // page's own (<br>), and a cell too narrow for them draws them smaller.
    component TableRow: Rectangle {
        id: tableRow
        required property var cells
        property bool header: false
        property bool striped: false
        readonly property real cellPadding: width >= 400 ? OStyle.tableCellPadding : OStyle.tableCellPadding / 2
        // One size for the whole table, smaller on narrow screens, so the columns line up.
        readonly property real fontSize: width >= 400 ? OStyle.smallFontSize + 1 : width >= 330 ? OStyle.smallFontSize : OStyle.smallFontSize - 2
        implicitHeight: line.implicitHeight + 2 * cellPadding
        color: header ? OStyle.tableHeader : striped ? OStyle.stripe : "transparent"

        Row {
            id: line
            anchors.verticalCenter: parent.verticalCenter
            Repeater {
                model: tableRow.cells
                Text {
                    required property var modelData
                    required property int index
                    objectName: "cell" + index
                    width: tableRow.width * (modelData.width > 0 ? modelData.width : 1 / tableRow.cells.length)
                    leftPadding: tableRow.cellPadding
                    rightPadding: tableRow.cellPadding
                    anchors.verticalCenter: parent.verticalCenter
                    text: modelData.html
                    textFormat: Text.StyledText
                    horizontalAlignment: modelData.align === "right" ? Text.AlignRight
                                       : modelData.align === "center" ? Text.AlignHCenter : Text.AlignLeft
                    wrapMode: Text.NoWrap
                    fontSizeMode: Text.HorizontalFit
                    minimumPixelSize: OStyle.minimumTableFontSize
                    font.pixelSize: tableRow.fontSize
                    font.bold: tableRow.header
                    color: tableRow.header ? OStyle.tableHeaderText : OStyle.text
                }
            }
        }
    }

    // The page's load is reported to the screen by its web view; the page is drawn below.
    OWebView {
        outlet: "m_cHTMLData"
        visible: false
    }

    OScrollView {
        id: scroll
        anchors.fill: parent
        contentHeight: column.height + 2 * OStyle.margin

        ColumnLayout {
            id: column
            x: (scroll.width - width) / 2
            y: OStyle.margin
            width: Math.min(scroll.width - 2 * OStyle.margin, OStyle.contentMaxWidth)
            spacing: OStyle.spacing

            Text {
                objectName: "wirePageIntro"
                Layout.fillWidth: true
                text: root.parts.before
                textFormat: Text.RichText
                wrapMode: Text.Wrap
                font.pixelSize: OStyle.captionFontSize
                color: OStyle.text
            }

            Column {
                id: table
                objectName: "wireTable"
                Layout.fillWidth: true
                TableRow {
                    objectName: "wireTableHeader"
                    width: table.width
                    cells: root.parts.header
                    header: true
                }
                Repeater {
                    model: root.parts.rows
                    TableRow {
                        required property var modelData
                        required property int index
                        objectName: "wireTable[" + index + "]"
                        width: table.width
                        cells: modelData
                        striped: index % 2 === 1
                    }
                }
            }

            Text {
                objectName: "wirePageNotes"
                Layout.fillWidth: true
                text: root.parts.after
                textFormat: Text.RichText
                wrapMode: Text.Wrap
                font.pixelSize: OStyle.smallFontSize
                color: OStyle.secondaryText
                linkColor: OStyle.accent
                onLinkActivated: link => Qt.openUrlExternally(link)
            }
        }
    }

    // The header again, pinned over the rows once the table's own has scrolled out of view.
    TableRow {
        objectName: "wireTableHeader:pinned"
        x: column.x
        width: column.width
        visible: scroll.contentY > column.y + table.y
        cells: root.parts.header
        header: true
    }
}
