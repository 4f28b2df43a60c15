#pragma once

#include "display/displaysettings.h"

#include <QString>

class SettingsReader;

// What the web server needs of the settings: where it listens, the archive
// its history pages read, and the console's display units and theme, which
// the pages show.
struct WebSettings
{
    bool enabled = true;
    int port = 8080;
    // Empty: every interface; "127.0.0.1" keeps the pages on this machine.
    QString bindAddress;
    // Empty when there is none.
    QString archiveFile;
    DisplaySettings display;

    bool operator==(const WebSettings &o) const
    {
        return enabled == o.enabled && port == o.port && bindAddress == o.bindAddress
            && archiveFile == o.archiveFile && display == o.display;
    }
    bool operator!=(const WebSettings &o) const { return !(*this == o); }
};

WebSettings webSettingsFrom(const SettingsReader &settings);
