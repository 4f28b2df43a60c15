#pragma once

#include <QString>

// The text stored for a settings-lock password. It is the raw salted SHA-256
// digest read as UTF-8 up to its first zero byte, not its hex form: lock files
// written by earlier installations hold exactly this text, so it must be
// formed the same way to compare equal. A digest whose first byte is zero
// gives an empty text, which reads as no lock, so such passwords are refused.
QString settingsLockDigest(const QString &password);
