#include "app/UChmFile.h"

#include <QFile>
#include <QtEndian>

#include <chm_lib.h>

namespace {

constexpr quint16 SystemDefaultTopic = 2;
constexpr quint16 SystemTitle = 3;

// Reads a little-endian integer at offset, or fails without reading beyond
// the block.
template <typename T>
bool ReadLe(const QByteArray& block, qsizetype offset, T& value)
{
    if (offset < 0 || offset > block.size() - qsizetype(sizeof(T)))
        return false;
    value = qFromLittleEndian<T>(block.constData() + offset);
    return true;
}

// A #SYSTEM string: the record's bytes up to the first NUL, UTF-8.
QString RecordText(const QByteArray& record)
{
    const qsizetype end = record.indexOf('\0');
    return QString::fromUtf8(end < 0 ? record : record.left(end));
}

} // namespace

TChmFile::TChmFile(const QString& name)
    : fileName(name)
{
    if (!name.isEmpty())
        handle = chm_open(QFile::encodeName(name).constData());
    if (handle)
        ReadSystem();
}

TChmFile::~TChmFile()
{
    if (handle)
        chm_close(handle);
}

bool TChmFile::Contains(const QString& path) const
{
    chmUnitInfo unit{};
    return handle && !path.isEmpty()
           && chm_resolve_object(handle, path.toUtf8().constData(), &unit) == CHM_RESOLVE_SUCCESS;
}

std::optional<QByteArray> TChmFile::Read(const QString& path) const
{
    chmUnitInfo unit{};
    if (!handle || path.isEmpty()
        || chm_resolve_object(handle, path.toUtf8().constData(), &unit) != CHM_RESOLVE_SUCCESS
        || unit.length > MaxObjectSize)
        return std::nullopt;
    QByteArray data(qsizetype(unit.length), Qt::Uninitialized);
    if (unit.length == 0)
        return data;
    const LONGINT64 read = chm_retrieve_object(handle, &unit, reinterpret_cast<unsigned char*>(data.data()), 0,
                                               LONGINT64(unit.length));
    if (read != LONGINT64(unit.length))
        return std::nullopt;
    return data;
}

// #SYSTEM: a 32-bit version, then records of a 16-bit code, a 16-bit length
// and that many bytes.
void TChmFile::ReadSystem()
{
    const QByteArray system = Read(QStringLiteral("/#SYSTEM")).value_or(QByteArray());
    qsizetype offset = 4;
    quint16 code = 0, length = 0;
    while (ReadLe(system, offset, code) && ReadLe(system, offset + 2, length)) {
        offset += 4;
        if (length > system.size() - offset)
            break;
        const QByteArray record = system.mid(offset, length);
        if (code == SystemDefaultTopic)
            defaultTopic = RecordText(record);
        else if (code == SystemTitle)
            title = RecordText(record);
        offset += length;
    }
    if (!defaultTopic.isEmpty() && !defaultTopic.startsWith(u'/'))
        defaultTopic.prepend(u'/');
}

// #IVB: a 32-bit byte count, then pairs of a context number and an offset
// into #STRINGS, where the alias target is a NUL-terminated string.
QString TChmFile::ContextTopic(quint32 context) const
{
    const QByteArray pairs = Read(QStringLiteral("/#IVB")).value_or(QByteArray());
    const QByteArray strings = Read(QStringLiteral("/#STRINGS")).value_or(QByteArray());
    quint32 count = 0;
    if (!ReadLe(pairs, 0, count))
        return {};
    const qsizetype end = std::min<qsizetype>(pairs.size(), 4 + qsizetype(std::min<quint32>(count, 1u << 30)));
    quint32 number = 0, offset = 0;
    for (qsizetype at = 4; at + 8 <= end; at += 8) {
        if (!ReadLe(pairs, at, number) || !ReadLe(pairs, at + 4, offset) || number != context)
            continue;
        if (offset >= quint32(strings.size()))
            return {};
        return ResolveTarget(RecordText(strings.mid(offset)));
    }
    return {};
}

// Compilers store the alias target as written in the project or as the
// absolute path of the source file on the machine that built the help
// ("/home/x/help/topics/a.htm"): the topic is the longest end of the path
// that names an object in the file.
QString TChmFile::ResolveTarget(QString target) const
{
    target.replace(u'\\', u'/');
    if (!target.startsWith(u'/'))
        target.prepend(u'/');
    for (qsizetype slash = 0; slash >= 0 && slash < target.size(); slash = target.indexOf(u'/', slash + 1)) {
        const QString candidate = target.mid(slash);
        if (candidate.size() > 1 && Contains(candidate))
            return candidate;
    }
    return {};
}
