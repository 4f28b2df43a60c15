#pragma once

// What the settings store needs of the alarms: "Send test notification"
// through every channel that is on, with the settings of the moment. How the
// e-mail went comes back in the alarms' reported status.
class AlarmTester
{
public:
    virtual ~AlarmTester() = default;
    virtual void sendTestNotification() = 0;
};
