// The window: a navigation bar over a StackView that mirrors the model's navigation stack.
// Each screen's page is the layout named after its controller class, given the screen's
// bridge as `screen`.
import QtQuick
import QtQuick.Controls
import Ohmkit

ApplicationWindow {
    id: window
    required property NavigationBridge navigation

    width: navigation.tablet ? 768 : 375
    height: navigation.tablet ? 1024 : 667
    minimumWidth: 320
    minimumHeight: 480
    visible: true
    title: "Ohmkit"
    color: OStyle.background

    header: ONavigationBar {
        screen: window.navigation.top
        canGoBack: window.navigation.depth > 1
        backTitle: window.navigation.depth > 1 ? window.navigation.screens[window.navigation.depth - 2].title : ""
        onBack: window.navigation.back()
    }

    StackView {
        id: stack
        objectName: "stack"
        anchors.fill: parent
        focus: true
    }

    function pushScreen(screen, operation) {
        stack.push(screen.layout.toString(), { screen: screen }, operation)
    }

    Component.onCompleted: {
        for (const screen of navigation.screens) pushScreen(screen, StackView.Immediate)
    }

    Connections {
        target: window.navigation
        function onPushed(screen) { window.pushScreen(screen, StackView.PushTransition) }
        function onPopped(screen) { stack.pop() }
    }

    Shortcut {
        sequences: [StandardKey.Back, "Escape"]
        onActivated: window.navigation.back()
    }
}
