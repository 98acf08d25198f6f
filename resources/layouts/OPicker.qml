// OPicker: a picker outlet, one wheel (Tumbler) per component.
//
//   OPicker { outlet: "pickerView"; Layout.fillWidth: true }
//
// Each row is drawn as the screen describes it: a colour swatch in its true colour with the
// colour's name written on it, or a title. A frame marks the chosen row of every wheel; the
// other rows keep their colours. Rows are at least OStyle.pickerRowHeight tall; `visibleRows`
// rows show at once. A layout may say more about a row with `rowText` and `rowDetail`
// (functions of wheel, row and the row's data {text, name, hasSwatch, swatch}).
//
// `captions` names the wheels, one short text over each.
//
// A wheel moves one row per notch of a mouse wheel and per Up or Down key, comes to rest on
// the nearest row after a drag, and selects a row that is tapped. It takes the keyboard focus
// with Tab and then shows a frame. When a wheel comes to rest on a new row, the model gets
// the did-select event for that wheel; rows the screen selects by code turn the wheel without
// an event. Wheel i is the child with objectName "<outlet>:<i>".
import QtQuick
import QtQuick.Controls
import Ohmkit

Item {
    id: picker
    property ScreenBridge screen: ScreenPage.screen
    required property string outlet
    readonly property PickerBridge view: screen && outlet ? screen.outlet(outlet) : null
    property int visibleRows: 5
    property var captions: []
    property real spacing: OStyle.tightSpacing
    property var rowText: (wheel, row, data) => data.hasSwatch && data.name !== "" ? data.name : data.text
    property var rowDetail: (wheel, row, data) => ""
    readonly property int wheelCount: view ? view.wheels.length : 0
    readonly property real rowHeight: {
        let h = OStyle.pickerRowHeight
        if (view) for (const w of view.wheels) h = Math.max(h, w.rowHeight)
        return h
    }

    objectName: outlet
    visible: view ? !view.hidden : false
    implicitWidth: 320
    implicitHeight: heading.height + rowHeight * visibleRows
    readonly property real wheelWidth: wheelCount > 0 ? (width - spacing * (wheelCount - 1)) / wheelCount : 0

    Row {
        id: heading
        width: parent.width
        height: picker.captions.length > 0 ? implicitHeight + OStyle.smallSpacing : 0
        spacing: picker.spacing
        Repeater {
            model: picker.captions
            Text {
                required property string modelData
                width: picker.wheelWidth
                text: modelData
                horizontalAlignment: Text.AlignHCenter
                font.pixelSize: OStyle.smallFontSize
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 9
                color: OStyle.secondaryText
            }
        }
    }

    Row {
        id: wheels
        anchors.top: heading.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        spacing: picker.spacing

        Repeater {
            model: picker.view ? picker.view.wheels : []

            delegate: Tumbler {
                id: wheel
                required property var modelData
                required property int index
                // Until the first sync the wheel's index is Tumbler's own, not the user's.
                property bool syncing: true
                // The next index change comes from a tap, a key or a mouse-wheel notch.
                property bool userTurn: false
                // Mouse-wheel rotation not yet turned into rows (touchpads send small steps).
                property real pendingDelta: 0

                objectName: picker.outlet + ":" + index
                width: picker.wheelWidth
                height: wheels.height
                visibleItemCount: picker.visibleRows
                wrap: false
                focusPolicy: Qt.StrongFocus
                model: modelData.rows

                delegate: Item {
                    id: row
                    required property var modelData
                    required property int index
                    readonly property string label: picker.rowText(wheel.index, index, modelData)
                    readonly property string detail: picker.rowDetail(wheel.index, index, modelData)
                    readonly property color ink: modelData.hasSwatch ? OStyle.textOn(modelData.swatch) : OStyle.text

                    Rectangle {
                        visible: row.modelData.hasSwatch
                        anchors.centerIn: parent
                        width: parent.width - 4
                        height: parent.height - 8
                        radius: 5
                        color: row.modelData.swatch
                        border.width: OStyle.hairline
                        border.color: OStyle.swatchEdge
                    }
                    Column {
                        anchors.centerIn: parent
                        width: parent.width - 6
                        Text {
                            objectName: "rowText"
                            width: parent.width
                            text: row.label
                            horizontalAlignment: Text.AlignHCenter
                            font.pixelSize: row.modelData.hasSwatch ? OStyle.swatchFontSize : OStyle.fontSize
                            font.bold: row.modelData.hasSwatch
                            fontSizeMode: Text.HorizontalFit
                            minimumPixelSize: 8
                            color: row.modelData.hasSwatch || row.modelData.text.trim() !== "" ? row.ink : OStyle.secondaryText
                        }
                        Text {
                            visible: text !== ""
                            width: parent.width
                            text: row.detail
                            horizontalAlignment: Text.AlignHCenter
                            font.pixelSize: OStyle.smallFontSize - 1
                            fontSizeMode: Text.HorizontalFit
                            minimumPixelSize: 8
                            color: row.modelData.hasSwatch ? row.ink : OStyle.secondaryText
                        }
                    }
                    TapHandler {
                        onTapped: {
                            wheel.forceActiveFocus(Qt.MouseFocusReason)
                            wheel.userTurn = true
                            wheel.currentIndex = row.index
                        }
                    }
                }

                // The keyboard focus: a frame around the whole wheel.
                background: Rectangle {
                    color: "transparent"
                    radius: OStyle.radius
                    border.width: wheel.visualFocus ? OStyle.focusFrameWidth : 0
                    border.color: OStyle.accent
                }

                function step(rows) {
                    const count = modelData.rows.length
                    if (count <= 0) return
                    userTurn = true
                    currentIndex = Math.max(0, Math.min(count - 1, currentIndex + rows))
                }
                Keys.onUpPressed: step(-1)
                Keys.onDownPressed: step(1)

                function sync() {
                    if (!picker.view || moving) return
                    // Until Tumbler has taken its rows, an index set now would be clamped and
                    // then reset to 0; the wheel stays in syncing until its count is right.
                    if (count !== modelData.rows.length) return
                    syncing = true
                    currentIndex = picker.view.selectedRows[index]
                    syncing = false
                }
                // A wheel at rest on a row the model has not selected: the user chose it.
                function commit() {
                    if (syncing || moving || !picker.view || currentIndex < 0) return
                    if (currentIndex !== picker.view.selectedRows[index]) picker.view.userSelect(index, currentIndex)
                }
                Component.onCompleted: sync()
                onCountChanged: sync()
                // Tumbler itself may move its index while it lays out its rows (back to 0): only a
                // tap, a key, a mouse-wheel notch or a drag is the user's choice; any other
                // change is put back to the model's row.
                onCurrentIndexChanged: {
                    if (userTurn) {
                        userTurn = false
                        commit()
                    } else if (!moving && !syncing) {
                        sync()
                    }
                }
                onMovingChanged: commit()

                Connections {
                    target: picker.view
                    function onSelectionChanged() { wheel.sync() }
                }
            }
        }
    }

    // One notch of a mouse wheel (120 eighths of a degree) turns the wheel under the pointer
    // by one row, whatever the view would scroll; touchpads send smaller steps, which add up.
    MouseArea {
        anchors.fill: wheels
        acceptedButtons: Qt.NoButton
        onWheel: event => {
            const wheel = wheels.childAt(event.x, event.y)
            if (wheel && wheel.step !== undefined) {
                wheel.pendingDelta += event.angleDelta.y !== 0 ? event.angleDelta.y : event.angleDelta.x
                const rows = Math.trunc(wheel.pendingDelta / 120)
                if (rows !== 0) {
                    wheel.pendingDelta -= rows * 120
                    wheel.step(-rows)
                }
            }
            event.accepted = true
        }
    }

    // The frame around the chosen row of every wheel.
    Rectangle {
        anchors.verticalCenter: wheels.verticalCenter
        width: parent.width
        height: picker.rowHeight
        radius: OStyle.radius
        color: "transparent"
        border.width: OStyle.focusFrameWidth
        border.color: OStyle.wheelFrame
    }
}
