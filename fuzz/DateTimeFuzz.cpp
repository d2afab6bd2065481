// SPDX-License-Identifier: GPL-3.0-or-later
// The date-time text reader over arbitrary text.
#include "fuzz/FuzzCheck.h"
#include "host/data/SysUtils.h"

#include <QRegularExpression>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QDateTime value;
    try {
        value = MyDateTimeStrToDateTime(text);
    } catch (const EConvertError& e) {
        FUZZ_CHECK(!e.Message().isEmpty());
        return 0;
    }
    FUZZ_CHECK(value.isValid());
    // Only a text of ASCII digits in the documented shape is taken, and it reads back the same.
    static const QRegularExpression shape(
        QStringLiteral("^\\s*[0-9]{4}-[0-9]{1,2}-[0-9]{1,2}([ T][0-9]{1,2}:[0-9]{1,2}(:[0-9]{1,2})?)?\\s*$"));
    FUZZ_CHECK(shape.match(text).hasMatch());
    const QString canonical = value.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    FUZZ_CHECK(MyDateTimeStrToDateTime(canonical) == value);
    return 0;
}
