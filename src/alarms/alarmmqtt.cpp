#include "alarmmqtt.h"

#include "alarmdefinition.h"

namespace alarms {

namespace {

state::Publication bare(const QString &slug)
{
    state::Publication p;
    p.suffix = QStringLiteral("alarm/") + slug;
    p.component = QStringLiteral("binary_sensor");
    p.objectId = QStringLiteral("alarm_") + slug;
    return p;
}

} // namespace

state::Publication alarmPublication(const QString &slug, const QString &name, bool raised)
{
    state::Publication p = bare(slug);
    p.payload = raised ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF");
    p.entity = { { QStringLiteral("name"), name }, { QStringLiteral("payload_on"), "ON" },
        { QStringLiteral("payload_off"), "OFF" }, { QStringLiteral("device_class"), "problem" } };
    p.followsAvailability = slug != DataStoppedSlug;
    return p;
}

state::Publication alarmRemoval(const QString &slug)
{
    return bare(slug);
}

} // namespace alarms
