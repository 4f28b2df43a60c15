#pragma once

#include "mqttsettings.h"

#include <QString>

namespace mqtt {

// libmosquitto says only "certificate verify failed" when a TLS broker's
// certificate does not name the host the console was told to reach. This
// fetches the certificate (a handshake of its own, up to `timeoutMs`, that
// trusts nothing it sees) and, when its names leave the host out, says so
// with the names it does hold; otherwise it gives an empty text.
QString certificateNameProblem(const MqttBroker &broker, int timeoutMs = 3000);

} // namespace mqtt
