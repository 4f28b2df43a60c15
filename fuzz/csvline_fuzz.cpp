// libFuzzer target for the import's reading of data-log lines: any bytes, cut
// into lines as a file would be, give samples with finite times that fold
// into minute rows, and never more rows than samples. Any crash, sanitizer
// report or broken invariant is a finding.
#include "archive/csvreader.h"
#include "fuzzcheck.h"

#include <QList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    archive::CsvUnits units;
    // The first byte picks the units, so every conversion is reached.
    if (!bytes.isEmpty()) {
        const auto pick = std::uint8_t(bytes.at(0));
        units.units.temperature = TemperatureUnit(pick & 1);
        units.units.pressure = PressureUnit((pick >> 1) & 3);
        units.units.speed = SpeedUnit((pick >> 3) & 3);
        units.units.distance = DistanceUnit((pick >> 5) & 1);
        units.units.pressureReading = PressureReading((pick >> 6) & 1);
        units.units.rain = (pick >> 7) ? RainGauge::Inches : RainGauge::Millimetres;
        units.solarInput = pick % 3;
    }
    archive::MinuteFolder folder;
    int samples = 0;
    for (const QByteArray &line : bytes.split('\n')) {
        const archive::CsvLine read = archive::parseCsvLine(line, units);
        check(read.skipped >= 0);
        check(!read.header || read.samples.isEmpty());
        for (const archive::Sample &s : read.samples) {
            check(s.strikes >= 0);
            folder.add(s);
            ++samples;
        }
    }
    const QVector<archive::MinuteRow> rows = folder.rows();
    check(rows.size() <= samples);
    for (const archive::MinuteRow &r : rows) {
        check(r.start % 60 == 0);
        check(r.cycles > 0);
        check(!(r.rain < 0));
    }
    return 0;
}
