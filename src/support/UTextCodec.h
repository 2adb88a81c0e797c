#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Conversion between text and the byte encodings files exchanged with hosts
// may use: UTF-8 and Shift-JIS (Windows code page 932).
namespace TextCodec {

enum class Encoding { Utf8, ShiftJis };

bool IsValidUtf8(const QByteArray& bytes);

// Empty optional when the bytes are not valid in that encoding.
std::optional<QString> Decode(const QByteArray& bytes, Encoding encoding);
// A character Shift-JIS has no code for is written as "?", as the Windows
// code page does; empty optional only when the conversion is unavailable.
std::optional<QByteArray> Encode(const QString& text, Encoding encoding);
// True when every character of text has a code in the encoding.
bool CanEncode(const QString& text, Encoding encoding);

} // namespace TextCodec
