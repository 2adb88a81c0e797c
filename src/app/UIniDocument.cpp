#include "app/UIniDocument.h"

#include "support/Pathutil.h"
#include "support/USafeWrite.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace {

constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

QStringList SplitLines(const QString& text)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineBreak);
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// The key of an entry line is the text before its first "="; a line without
// one has no key and is only carried along.
bool LineHasKey(const QString& line, const QString& key)
{
    const qsizetype equals = line.indexOf(u'=');
    return equals >= 0 && QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0;
}

// A line break inside an entry would start a new line or section in the
// file; such characters are written as "?", like those the encoding lacks.
QString OneLine(QString text)
{
    text.replace(u'\r', u'?');
    text.replace(u'\n', u'?');
    return text;
}

bool ParseDigits(QStringView digits, int base, qint64& value)
{
    if (digits.isEmpty())
        return false;
    bool ok = false;
    value = digits.toLongLong(&ok, base);
    return ok && digits.front() != u'+' && digits.front() != u'-';
}

constexpr QByteArrayView Utf8ByteOrderMark("\xEF\xBB\xBF");

} // namespace

EIniFileError::EIniFileError(const QString& message)
    : std::runtime_error(message.toStdString())
{
}

TIniDocument::TIniDocument(const QString& name)
    : fileName(name)
{
    const QFileInfo info(name);
    if (!info.exists())
        return;
    // Only a regular file of sane size is an exchange file: a device or a
    // pipe could be read for ever.
    if (!info.isFile() || info.size() > MaxFileSize)
        throw EIniFileError(QStringLiteral("Cannot read %1: not a settings file").arg(name));
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EIniFileError(QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        throw EIniFileError(QStringLiteral("Cannot read %1: %2").arg(name, file.errorString()));

    // Text has no NUL bytes: UTF-16 or binary data is not read as Shift-JIS.
    if (bytes.contains('\0'))
        throw EIniFileError(QStringLiteral("Cannot read %1: neither UTF-8 nor Shift-JIS text").arg(name));
    QByteArrayView content(bytes);
    byteOrderMark = content.startsWith(Utf8ByteOrderMark);
    if (byteOrderMark)
        content = content.sliced(Utf8ByteOrderMark.size());
    const QByteArray body = content.toByteArray();
    encoding = byteOrderMark || TextCodec::IsValidUtf8(body) ? TextCodec::Encoding::Utf8 : TextCodec::Encoding::ShiftJis;
    const auto text = TextCodec::Decode(body, encoding);
    if (!text)
        throw EIniFileError(QStringLiteral("Cannot read %1: neither UTF-8 nor Shift-JIS text").arg(name));
    SetText(*text);
}

void TIniDocument::SetText(const QString& text)
{
    sections.clear();
    Section* current = nullptr;
    for (const QString& line : SplitLines(text)) {
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
            sections.push_back({line.mid(1, line.size() - 2), {}});
            current = &sections.back();
        } else if (current) {
            current->lines.append(line);
        }
    }
}

QString TIniDocument::Text() const
{
    QString text;
    for (const Section& section : sections) {
        text += u'[' + section.name + QStringLiteral("]\r\n");
        for (const QString& line : section.lines)
            text += line + QStringLiteral("\r\n");
        text += QStringLiteral("\r\n");
    }
    return text;
}

const TIniDocument::Section* TIniDocument::FindSection(const QString& name) const
{
    for (const Section& section : sections)
        if (section.name.compare(name, Qt::CaseInsensitive) == 0)
            return &section;
    return nullptr;
}

TIniDocument::Section* TIniDocument::FindSection(const QString& name)
{
    return const_cast<Section*>(std::as_const(*this).FindSection(name));
}

qsizetype TIniDocument::FindKey(const Section& section, const QString& key)
{
    for (qsizetype i = 0; i < section.lines.size(); ++i)
        if (LineHasKey(section.lines[i], key))
            return i;
    return -1;
}

bool TIniDocument::SectionExists(const QString& section) const
{
    return FindSection(section) != nullptr;
}

bool TIniDocument::ValueExists(const QString& section, const QString& key) const
{
    const Section* found = FindSection(section);
    return found && FindKey(*found, key) >= 0;
}

QStringList TIniDocument::SectionNames() const
{
    QStringList names;
    for (const Section& section : sections)
        names.append(section.name);
    return names;
}

QStringList TIniDocument::SectionKeys(const QString& section) const
{
    QStringList keys;
    if (const Section* found = FindSection(section))
        for (const QString& line : found->lines)
            if (const qsizetype equals = line.indexOf(u'='); equals >= 0)
                keys.append(line.left(equals));
    return keys;
}

QString TIniDocument::ReadString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Section* found = FindSection(section);
    if (!found)
        return defaultValue;
    const qsizetype index = FindKey(*found, key);
    if (index < 0)
        return defaultValue;
    const QString& line = found->lines[index];
    return line.mid(line.indexOf(u'=') + 1);
}

int TIniDocument::ReadInteger(const QString& section, const QString& key, int defaultValue) const
{
    return ParseInteger(ReadString(section, key, QString()), defaultValue);
}

void TIniDocument::WriteString(const QString& section, const QString& key, const QString& value)
{
    Section* found = FindSection(section);
    if (!found) {
        sections.push_back({section, {}});
        found = &sections.back();
    }
    const QString line = OneLine(key) + u'=' + OneLine(value);
    const qsizetype index = FindKey(*found, key);
    if (index >= 0)
        found->lines[index] = line;
    else
        found->lines.append(line);
}

bool TIniDocument::CanHold(const QString& value) const
{
    return !value.contains(u'\r') && !value.contains(u'\n') && TextCodec::CanEncode(value, encoding);
}

void TIniDocument::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniDocument::EraseSection(const QString& section)
{
    std::erase_if(sections, [&](const Section& s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
}

int TIniDocument::ParseInteger(const QString& text, int defaultValue)
{
    QStringView digits(text);
    bool negative = false;
    if (!digits.isEmpty() && (digits.front() == u'-' || digits.front() == u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.size() > 2 && (digits.startsWith(u"0x") || digits.startsWith(u"0X"))) {
        base = 16;
        digits = digits.mid(2);
    } else if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    }
    qint64 value = 0;
    if (!ParseDigits(digits, base, value))
        return defaultValue;
    // Hexadecimal spells a 32-bit pattern: "$FFFFFFFF" is -1.
    if (base == 16) {
        if (value > std::numeric_limits<quint32>::max())
            return defaultValue;
        value = static_cast<qint32>(static_cast<quint32>(value));
    }
    if (negative)
        value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return defaultValue;
    return static_cast<int>(value);
}

void TIniDocument::UpdateFile() const
{
    if (fileName.isEmpty())
        return;
    auto bytes = TextCodec::Encode(Text(), encoding);
    if (!bytes)
        throw EIniFileError(QStringLiteral("Cannot write %1: no converter for its encoding").arg(fileName));

    // A read-only file or folder is the host's decision; replacing the file
    // anyway (root could) would go behind its back.
    if (!Pathutil::CanReplaceFile(fileName))
        throw EIniFileError(QStringLiteral("Cannot write %1: the file or its folder is read-only").arg(fileName));

    if (byteOrderMark)
        bytes->prepend(Utf8ByteOrderMark.data(), Utf8ByteOrderMark.size());
    try {
        SafeWrite::WriteFile(fileName, *bytes);
    } catch (const SafeWrite::ESafeWriteError& error) {
        throw EIniFileError(QString::fromUtf8(error.what()));
    }
}
