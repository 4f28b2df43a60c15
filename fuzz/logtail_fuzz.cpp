// libFuzzer target for the data log's recovery of the running index from the
// end of an existing file: any bytes as the file's tail, as the whole file or
// only its end. A found index field is the start of the file's last line up
// to its first comma, and a plain number in it reads as itself. Any crash,
// sanitizer report or broken invariant is a finding.
#include "datalog/csvrow.h"
#include "fuzzcheck.h"

#include <QList>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const bool wholeFile = data[0] & 1;
    const QByteArray tail(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const csvrow::LastRow last = csvrow::lastRow(tail, wholeFile);
    if (last.status == csvrow::LastRow::NoFinalLineFeed)
        check(!tail.endsWith('\n'));
    if (last.status == csvrow::LastRow::StartsBeforeTail)
        check(!wholeFile && !tail.chopped(1).contains('\n'));
    if (last.status == csvrow::LastRow::Found) {
        // The field is the last line up to its first comma.
        const QByteArray line = tail.chopped(1).split('\n').last();
        check(line.startsWith(last.field) && !last.field.contains(','));
        check(last.field.size() == line.size() || line.at(last.field.size()) == ',');
        // A plain number of up to nine digits reads as itself.
        bool plain = !last.field.isEmpty() && last.field.size() <= 9;
        for (const char c : last.field)
            plain = plain && c >= '0' && c <= '9';
        if (plain)
            check(csvrow::leadingInteger(last.field) == last.field.toInt());
    }
    return 0;
}
