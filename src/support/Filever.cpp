#include "support/Filever.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

namespace {

constexpr quint32 PtNote = 4;
// A version note is a few dozen bytes; larger note segments are not read.
constexpr quint64 MaxNoteSegment = 1 << 20;
constexpr quint16 MaxProgramHeaders = 4096;

// Bounds-checked reads of little- or big-endian integers from a byte block.
// Every read reports failure instead of touching bytes beyond the block.
class TByteReader
{
public:
    TByteReader(const QByteArray& bytes, bool bigEndian) : data(bytes), big(bigEndian) {}

    bool Has(quint64 offset, quint64 size) const
    {
        const auto length = quint64(data.size());
        return offset <= length && size <= length - offset;
    }
    template <typename T>
    bool Read(quint64 offset, T& value) const
    {
        if (!Has(offset, sizeof(T)))
            return false;
        const auto* at = reinterpret_cast<const uchar*>(data.constData()) + offset;
        value = big ? qFromBigEndian<T>(at) : qFromLittleEndian<T>(at);
        return true;
    }
    QByteArray Bytes(quint64 offset, quint64 size) const
    {
        return Has(offset, size) ? data.mid(qsizetype(offset), qsizetype(size)) : QByteArray();
    }

private:
    const QByteArray& data;
    bool big;
};

QByteArray ReadRange(QFile& file, quint64 offset, quint64 size)
{
    const auto fileSize = quint64(file.size());
    if (offset > fileSize || size > fileSize - offset || !file.seek(qint64(offset)))
        return {};
    QByteArray bytes = file.read(qint64(size));
    return quint64(bytes.size()) == size ? bytes : QByteArray();
}

quint64 AlignUp(quint64 value, quint64 alignment)
{
    return (value + alignment - 1) / alignment * alignment;
}

// Looks for our version note in one PT_NOTE segment.
std::optional<TVersionNumbers> FindVersionNote(const QByteArray& segment, bool bigEndian, quint64 alignment)
{
    const TByteReader notes(segment, bigEndian);
    const QByteArray wantedName = QByteArray(TFileVer::NoteName) + '\0';
    quint64 offset = 0;
    quint32 nameSize = 0, descSize = 0, type = 0;
    while (notes.Read(offset, nameSize) && notes.Read(offset + 4, descSize) && notes.Read(offset + 8, type)) {
        const quint64 name = offset + 12;
        const quint64 desc = AlignUp(name + nameSize, alignment);
        if (!notes.Has(name, nameSize) || !notes.Has(desc, descSize))
            return std::nullopt;
        if (type == TFileVer::NoteType && descSize >= 8 && notes.Bytes(name, nameSize) == wantedName) {
            TVersionNumbers numbers{};
            for (quint64 i = 0; i < numbers.size(); ++i)
                notes.Read(desc + 2 * i, numbers[i]);
            return numbers;
        }
        offset = AlignUp(desc + descSize, alignment);
    }
    return std::nullopt;
}

std::optional<TVersionNumbers> ReadVersionNote(const QString& fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray ident = ReadRange(file, 0, 64);
    if (ident.size() < 52 || !ident.startsWith("\x7f" "ELF"))
        return std::nullopt;
    const bool is64 = ident[4] == 2;
    const bool bigEndian = ident[5] == 2;
    if ((ident[4] != 1 && !is64) || (ident[5] != 1 && !bigEndian))
        return std::nullopt;
    const TByteReader header(ident, bigEndian);

    quint64 tableOffset = 0, sectionsOffset = 0;
    quint16 entrySize = 0, entryCount = 0, sectionSize = 0, sectionCount = 0;
    if (is64) {
        header.Read(0x20, tableOffset);
        header.Read(0x28, sectionsOffset);
        header.Read(0x36, entrySize);
        header.Read(0x38, entryCount);
        header.Read(0x3A, sectionSize);
        header.Read(0x3C, sectionCount);
    } else {
        quint32 offset32 = 0;
        header.Read(0x1C, offset32);
        tableOffset = offset32;
        header.Read(0x20, offset32);
        sectionsOffset = offset32;
        header.Read(0x2A, entrySize);
        header.Read(0x2C, entryCount);
        header.Read(0x2E, sectionSize);
        header.Read(0x30, sectionCount);
    }
    // A truncated file is damaged even when the note itself survived: the
    // section table and every segment must lie inside the file.
    const auto fileSize = quint64(file.size());
    const quint64 sectionsSize = quint64(sectionSize) * sectionCount;
    if (entrySize < (is64 ? 56 : 32) || entryCount > MaxProgramHeaders
        || (sectionCount > 0 && (sectionsOffset > fileSize || sectionsSize > fileSize - sectionsOffset)))
        return std::nullopt;
    const QByteArray table = ReadRange(file, tableOffset, quint64(entrySize) * entryCount);
    const TByteReader headers(table, bigEndian);
    std::optional<TVersionNumbers> found;
    for (quint64 entry = 0; entry < entryCount; ++entry) {
        const quint64 at = entry * entrySize;
        quint32 type = 0;
        quint64 offset = 0, size = 0, alignment = 0;
        if (!headers.Read(at, type))
            return std::nullopt;
        if (is64) {
            headers.Read(at + 8, offset);
            headers.Read(at + 32, size);
            headers.Read(at + 48, alignment);
        } else {
            quint32 offset32 = 0, size32 = 0, alignment32 = 0;
            headers.Read(at + 4, offset32);
            headers.Read(at + 16, size32);
            headers.Read(at + 28, alignment32);
            offset = offset32, size = size32, alignment = alignment32;
        }
        if (offset > fileSize || size > fileSize - offset)
            return std::nullopt;
        if (type != PtNote || size > MaxNoteSegment || found)
            continue;
        found = FindVersionNote(ReadRange(file, offset, size), bigEndian, alignment == 8 ? 8 : 4);
    }
    return found;
}

} // namespace

TFileVer::TFileVer(const QString& name)
    : fileName(name)
{
}

std::optional<TVersionNumbers> TFileVer::Query()
{
    if (!loaded) {
        version = ReadVersionNote(fileName);
        loaded = true;
    }
    return version;
}

QString TFileVer::VersionText(const std::optional<TVersionNumbers>& version)
{
    if (!version)
        return QStringLiteral("1.0.0.0");
    const TVersionNumbers& v = *version;
    return QStringLiteral("%1.%2").arg(v[0]).arg(v[1]) + QStringLiteral(".%1.%2").arg(v[2]).arg(v[3]);
}
