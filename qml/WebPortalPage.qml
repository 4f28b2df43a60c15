import QtQuick 2.15

// Settings tab 4: the live portal upload.
Item {
    id: webPortalPage
}
