import QtQuick
import Sismovantaquelorin.Core

// The settings window's content: the alert and refresh settings as a grouped form, between 460
// and 600 wide and centred. It owns its view model (made here unless one is given); every
// control shows the stored value and sends the user's action to the view model.
Rectangle {
    id: root

    property SettingsViewModel viewModel
    readonly property alias form: form

    color: Theme.groupedBackground

    Component {
        id: ownModel
        SettingsViewModel {}
    }
    Component.onCompleted: {
        if (!viewModel)
            viewModel = ownModel.createObject(root)
        viewModel.appear()
    }

    FormGroup {
        id: form
        objectName: "settingsForm"
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.max(460, Math.min(600, root.width))

        MasterNotificationsSection {
            objectName: "masterNotificationsSection"
            viewModel: root.viewModel
            visible: root.viewModel !== null
        }
        GlobalMagnitudeSection {
            objectName: "globalMagnitudeSection"
            viewModel: root.viewModel
            visible: root.viewModel !== null && root.viewModel.settings.isEnabled
        }
        LocationNotificationsSection {
            objectName: "locationNotificationsSection"
            viewModel: root.viewModel
            visible: root.viewModel !== null && root.viewModel.settings.isEnabled
        }
        SwarmDetectionSection {
            objectName: "swarmDetectionSection"
            viewModel: root.viewModel
            visible: root.viewModel !== null && root.viewModel.settings.isEnabled
        }
        AutoRefreshSection {
            objectName: "autoRefreshSection"
            viewModel: root.viewModel
            visible: root.viewModel !== null
        }
    }
}
