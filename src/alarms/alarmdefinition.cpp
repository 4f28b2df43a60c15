#include "alarmdefinition.h"

#include "alarmquantities.h"

#include <cmath>
#include <limits>

namespace alarms {

const QString DataStoppedSlug = QStringLiteral("data_stopped");

namespace {

const QString keyName = QStringLiteral("Name");
const QString keyQuantity = QStringLiteral("Quantity");
const QString keyCondition = QStringLiteral("Condition");
const QString keyThreshold = QStringLiteral("Threshold");
const QString keyClear = QStringLiteral("Clear");
const QString keyConsecutive = QStringLiteral("Consecutive");
const QString keyLatchMinutes = QStringLiteral("LatchMinutes");

const QString above = QStringLiteral("above");
const QString below = QStringLiteral("below");

// A hand-edited file may hold anything; a count outside this keeps its default.
int count(const QVariantMap &map, const QString &key, int fallback, int low, int high)
{
    bool ok = false;
    const int value = map.value(key).toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

double number(const QVariantMap &map, const QString &key, bool &ok)
{
    const double value = map.value(key).toDouble(&ok);
    ok = ok && std::isfinite(value);
    return value;
}

} // namespace

QString slug(const QString &name)
{
    QString out = name.toLower();
    for (QChar &c : out) {
        const ushort u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')))
            c = QLatin1Char('_');
    }
    return out;
}

QString problem(const AlarmDefinition &a, bool slugTaken)
{
    if (a.name.trimmed().isEmpty())
        return QStringLiteral("it has no name");
    if (slug(a.name) == DataStoppedSlug)
        return QStringLiteral("its name is the built-in data stopped alarm's");
    if (slugTaken)
        return QStringLiteral("another alarm has the same name once reduced to \"%1\"")
            .arg(slug(a.name));
    if (!isNumericQuantity(a.quantity))
        return QStringLiteral("\"%1\" is not a numeric quantity").arg(a.quantity);
    if (!std::isfinite(a.threshold) || !std::isfinite(a.clear))
        return QStringLiteral("its threshold or clear value is not a number");
    if (a.condition == Condition::Above ? a.clear > a.threshold : a.clear < a.threshold)
        return a.condition == Condition::Above ? QStringLiteral("it clears above its threshold")
                                               : QStringLiteral("it clears below its threshold");
    return QString();
}

AlarmDefinition alarmFromMap(const QVariantMap &map)
{
    AlarmDefinition a;
    a.name = map.value(keyName).toString();
    a.quantity = map.value(keyQuantity).toString().trimmed();
    a.condition = map.value(keyCondition).toString().trimmed().toLower() == below
        ? Condition::Below
        : Condition::Above;
    bool thresholdOk = false;
    bool clearOk = false;
    a.threshold = number(map, keyThreshold, thresholdOk);
    a.clear = number(map, keyClear, clearOk);
    // Infinite rather than NaN, so that settings compare equal to themselves.
    if (!thresholdOk)
        a.threshold = std::numeric_limits<double>::infinity();
    // Without a clear value of its own it clears where it raised.
    if (!clearOk)
        a.clear = a.threshold;
    a.consecutive = count(map, keyConsecutive, a.consecutive, 1, 86400);
    a.latchMinutes = count(map, keyLatchMinutes, a.latchMinutes, 0, 10080);
    return a;
}

QVariantMap alarmToMap(const AlarmDefinition &a)
{
    return { { keyName, a.name }, { keyQuantity, a.quantity },
        { keyCondition, a.condition == Condition::Below ? below : above },
        { keyThreshold, a.threshold }, { keyClear, a.clear }, { keyConsecutive, a.consecutive },
        { keyLatchMinutes, a.latchMinutes } };
}

} // namespace alarms
