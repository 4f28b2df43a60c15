#pragma once

// What the settings store needs of the MQTT code: a trial connection to the
// broker with the settings of the moment. The result ("Connected", or the
// reason the broker or the system gave) comes back through
// SysSettings::testMqttConnectionResult, which the app connects.
class MqttTester
{
public:
    virtual ~MqttTester() = default;
    virtual void testMqttConnection() = 0;
};
