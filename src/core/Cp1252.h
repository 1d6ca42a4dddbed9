#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zentaro {

// The Western single-byte code page 1252 that older settings files use.
// The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D)
// map to the control characters of the same value, so every byte sequence
// survives a decode and encode unchanged.
class Cp1252
{
public:
    // True when every character of text has a byte in the code page.
    static bool canEncode(QStringView text);
    // One byte per character; characters without a byte become '?'.
    static QByteArray encode(QStringView text);
    static QString decode(QByteArrayView bytes);
};

} // namespace zentaro
