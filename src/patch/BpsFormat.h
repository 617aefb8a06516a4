// The pieces of the BPS format that the patch writer and the copy encoder both spell: actions
// and the variable-length number.
#pragma once

#include <QByteArray>

namespace Bps {

enum Action : quint64 { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// The format's variable-length number: seven bits a byte, the last byte flagged by its top
// bit, and each continuation worth one more so that every number has a single spelling.
inline void putNumber(QByteArray &out, quint64 value)
{
    for (;;) {
        const quint64 low = value & 0x7F;
        value >>= 7;
        if (value == 0) {
            out += static_cast<char>(0x80 | low);
            return;
        }
        out += static_cast<char>(low);
        --value;
    }
}

// An action's number: its length less one, then the action in the low two bits.
inline quint64 actionWord(Action action, qsizetype length)
{
    return static_cast<quint64>(length - 1) << 2 | action;
}

} // namespace Bps
