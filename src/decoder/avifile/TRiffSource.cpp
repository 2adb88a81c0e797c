#include "decoder/avifile/TRiffSource.h"

namespace avifile {

TRiffSource::TRiffSource(std::unique_ptr<QIODevice> source)
    : device(std::move(source))
{
    size = device ? device->size() : 0;
}

bool TRiffSource::Contains(qint64 offset, qint64 length) const
{
    return offset >= 0 && length >= 0 && offset <= size && length <= size - offset;
}

bool TRiffSource::Read(qint64 offset, char* destination, qint64 length)
{
    if (!Contains(offset, length))
        return false;
    if (length == 0)
        return true;
    if (!device->seek(offset))
        return false;
    return device->read(destination, length) == length;
}

std::optional<QByteArray> TRiffSource::ReadBytes(qint64 offset, qint64 length)
{
    if (!Contains(offset, length))
        return std::nullopt;
    QByteArray bytes(qsizetype(length), Qt::Uninitialized);
    if (!Read(offset, bytes.data(), length))
        return std::nullopt;
    return bytes;
}

std::optional<quint32> TRiffSource::ReadU32(qint64 offset)
{
    char raw[4];
    if (!Read(offset, raw, 4))
        return std::nullopt;
    return ReadLE32(QByteArray::fromRawData(raw, 4), 0);
}

void TRiffSource::ForEachChunk(qint64 begin, qint64 end, const ChunkVisitor& visit)
{
    constexpr quint32 ckRIFF = 0x46464952; // "RIFF"
    constexpr quint32 ckLIST = 0x5453494c; // "LIST"
    qint64 position = begin;
    while (position >= 0 && position + 8 <= end) {
        char header[8];
        if (!Read(position, header, 8))
            return;
        const QByteArray bytes = QByteArray::fromRawData(header, 8);
        TRiffChunk chunk;
        chunk.id = ReadLE32(bytes, 0);
        chunk.declaredSize = ReadLE32(bytes, 4);
        chunk.dataBegin = position + 8;
        chunk.dataEnd = std::min(chunk.dataBegin + qint64(chunk.declaredSize), end);
        if ((chunk.id == ckRIFF || chunk.id == ckLIST) && chunk.Size() >= 4)
            chunk.listType = ReadU32(chunk.dataBegin).value_or(0);
        if (!visit(chunk))
            return;
        position = chunk.dataBegin + qint64(chunk.declaredSize) + (chunk.declaredSize & 1);
    }
}

quint16 ReadLE16(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset + 2 > bytes.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + offset;
    return quint16(p[0] | (p[1] << 8));
}

quint32 ReadLE32(const QByteArray& bytes, qsizetype offset)
{
    if (offset < 0 || offset + 4 > bytes.size())
        return 0;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData()) + offset;
    return quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
}

quint64 ReadLE64(const QByteArray& bytes, qsizetype offset)
{
    return quint64(ReadLE32(bytes, offset)) | (quint64(ReadLE32(bytes, offset + 4)) << 32);
}

} // namespace avifile
