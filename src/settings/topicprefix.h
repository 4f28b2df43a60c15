#pragma once

#include <QString>

// Whether a text can stand at the front of a topic we publish to: brokers
// refuse an empty level, a wildcard and the zero character.
inline bool validTopicPrefix(const QString &text)
{
    return !text.isEmpty() && !text.contains(QLatin1Char('+')) && !text.contains(QLatin1Char('#'))
        && !text.contains(QChar(0));
}
