#pragma once

#include "uploadsettings.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrlQuery>

struct StationValues;

// The Weather Underground pair that last went out in an upload the portal
// accepted. It starts empty with each run of the console, so the pair
// travels again after a restart.
struct WuCredentialState
{
    QString lastUsername;
    QString lastPassword;
};

// True when an upload is due: none yet, or at least `minutes` minutes since
// the last trigger. A clock set back also counts, or uploads would stop until
// it caught up. Minutes outside 1..60 (a hand-edited file) are clamped.
bool portalUploadDue(const QDateTime &lastTrigger, const QDateTime &now, int minutes);

// The live upload form, fields in the portal's order, values in base units.
// The Weather Underground pair is added when both are set and either differs
// from the pair last accepted, so a pair is sent again until an upload
// carrying it gets through.
QUrlQuery buildUploadForm(const StationValues &values, const UploadSettings &settings,
    const QDateTime &utcNow, const WuCredentialState &accepted);

// The three-field form of the credential test.
QUrlQuery buildCredentialTestForm(
    int serialNumber, const QString &password, const QDateTime &utcNow);

// The request body of both: the fully encoded query as UTF-8.
QByteArray encodeForm(const QUrlQuery &form);

// Doubles go out in fixed notation with exactly 6 decimals, whatever the locale.
QString fixed6(double value);

// A credential-test reply as text: the bytes up to the first zero, as UTF-8.
QString credentialReplyText(const QByteArray &body);

// The portal's answer to a credential test: that text contains "success"
// (case-sensitive) and the body nowhere holds "unsuccess" (in any case).
bool credentialsAccepted(const QByteArray &body);

// The portal's answer to an upload: a body containing "invaliduser" rejects.
bool uploadRejected(const QByteArray &body);
