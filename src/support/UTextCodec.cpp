#include "support/UTextCodec.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace TextCodec {

namespace {

constexpr const char* ShiftJisName = "CP932";

// Length of the UTF-8 sequence that starts with lead (1 for a stray byte).
int SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Runs iconv over the whole input; empty optional on any invalid or
// unrepresentable sequence. With a substitute, a character of the (UTF-8)
// input that has no representation is written as that byte instead.
std::optional<QByteArray> Convert(const QByteArray& input, const char* from, const char* to, char substitute = 0)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray output;
    output.resize(input.size() * 4 + 16);
    char* in = const_cast<char*>(input.constData());
    size_t inLeft = static_cast<size_t>(input.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG || (errno == EILSEQ && substitute && outLeft == 0)) {
            const qsizetype used = out - output.data();
            output.resize(output.size() * 2);
            out = output.data() + used;
            outLeft = static_cast<size_t>(output.size() - used);
            continue;
        }
        if (errno == EILSEQ && substitute) {
            const size_t skip = std::min<size_t>(SequenceLength(static_cast<unsigned char>(*in)), inLeft);
            in += skip;
            inLeft -= skip;
            *out++ = substitute;
            --outLeft;
            continue;
        }
        ok = false;
        break;
    }
    if (ok && iconv(cd, nullptr, nullptr, &out, &outLeft) == static_cast<size_t>(-1))
        ok = false;
    const qsizetype used = out - output.data();
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    output.truncate(used);
    return output;
}

} // namespace

bool IsValidUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

std::optional<QString> Decode(const QByteArray& bytes, Encoding encoding)
{
    if (encoding == Encoding::Utf8) {
        if (!IsValidUtf8(bytes))
            return std::nullopt;
        return QString::fromUtf8(bytes);
    }
    const auto utf8 = Convert(bytes, ShiftJisName, "UTF-8");
    if (!utf8)
        return std::nullopt;
    return QString::fromUtf8(*utf8);
}

std::optional<QByteArray> Encode(const QString& text, Encoding encoding)
{
    if (encoding == Encoding::Utf8)
        return text.toUtf8();
    // As the Windows code page does: what CP932 cannot hold becomes "?".
    return Convert(text.toUtf8(), "UTF-8", ShiftJisName, '?');
}

bool CanEncode(const QString& text, Encoding encoding)
{
    return encoding == Encoding::Utf8 || Convert(text.toUtf8(), "UTF-8", ShiftJisName).has_value();
}

} // namespace TextCodec
