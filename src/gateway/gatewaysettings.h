#pragma once

class SettingsReader;

// What the gateway needs of the settings.
struct GatewaySettings
{
    int port = 502; // below 1024 it needs privileges on Linux
    // The per-request lines are only worth building when the debug log is on.
    bool verbose = false;

    bool operator==(const GatewaySettings &o) const
    {
        return port == o.port && verbose == o.verbose;
    }
    bool operator!=(const GatewaySettings &o) const { return !(*this == o); }
};

GatewaySettings gatewaySettingsFrom(const SettingsReader &settings);
