// Numbers in capital hexadecimal, as every message, label and text file of Dorrik shows them.
#pragma once

#include <QString>

namespace Hex {

// value's hexadecimal digits, padded with zeros to at least width: digits(10, 2) is "0A".
inline QString digits(qint64 value, int width = 1)
{
    return QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

// The same after "0x": number(0x14001) is "0x14001", number(0, 2) is "0x00".
inline QString number(qint64 value, int width = 1)
{
    return QStringLiteral("0x") + digits(value, width);
}

} // namespace Hex
