#include "stationlink.h"

QString asSentence(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || trimmed.endsWith(QLatin1Char('.'))
        || trimmed.endsWith(QLatin1Char('!')) || trimmed.endsWith(QLatin1Char('?')))
        return trimmed;
    return trimmed + QLatin1Char('.');
}
