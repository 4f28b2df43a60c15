#pragma once

#include "display/stationdisplay.h"
#include "settings/syssettings.h"

#include <QQmlContext>

// The objects the interface binds to, under the names it knows them by: the
// settings ("Settings"), the station as shown ("ModbusPort") and the history
// graphs' model ("History"), when there is one, and the records ("Records").
// The program and the interface tests publish them through this one place.
inline void publishFaces(QQmlContext *context, SysSettings &settings, StationDisplay &display,
    QObject *history, QObject *records)
{
    context->setContextProperty(QStringLiteral("Settings"), &settings);
    context->setContextProperty(QStringLiteral("ModbusPort"), &display);
    if (history)
        context->setContextProperty(QStringLiteral("History"), history);
    context->setContextProperty(QStringLiteral("Records"), records);
}
