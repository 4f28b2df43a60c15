#include "settingslock.h"

#include <QCryptographicHash>

QString settingsLockDigest(const QString &password)
{
    static const QString salt = QStringLiteral("kelvorinat");
    const QByteArray digest
        = QCryptographicHash::hash((password + salt).toUtf8(), QCryptographicHash::Sha256);
    const int zero = digest.indexOf('\0');
    return QString::fromUtf8(zero < 0 ? digest : digest.left(zero));
}
