#pragma once

#include <QByteArray>
#include <QIODevice>

#include <functional>
#include <memory>
#include <optional>

namespace avifile {

// A chunk header as found in the file. dataEnd is cut back to the end of the
// parent when the stored size runs past it (a file cut short, 0xFFFFFFFF).
struct TRiffChunk {
    quint32 id = 0;
    quint32 declaredSize = 0;
    quint32 listType = 0; // for RIFF and LIST chunks with room for it
    qint64 dataBegin = 0;
    qint64 dataEnd = 0;

    qint64 Size() const { return dataEnd - dataBegin; }
    bool Complete() const { return Size() == qint64(declaredSize); }
};

// Random access to the bytes of a RIFF file. Every read is checked against
// the file's size before anything is allocated or read, so a damaged size or
// offset can only make a read fail.
class TRiffSource
{
public:
    // Takes a device that is open for reading and seekable.
    explicit TRiffSource(std::unique_ptr<QIODevice> device);

    qint64 Size() const { return size; }

    // True when [offset, offset + length) lies inside the file.
    bool Contains(qint64 offset, qint64 length) const;

    // Reads exactly length bytes; false when they are not all there.
    bool Read(qint64 offset, char* destination, qint64 length);
    std::optional<QByteArray> ReadBytes(qint64 offset, qint64 length);
    std::optional<quint32> ReadU32(qint64 offset);

    // Calls visit for every chunk header in [begin, end), in order, until it
    // returns false; odd sizes are followed by a pad byte.
    using ChunkVisitor = std::function<bool(const TRiffChunk&)>;
    void ForEachChunk(qint64 begin, qint64 end, const ChunkVisitor& visit);

private:
    std::unique_ptr<QIODevice> device;
    qint64 size = 0;
};

// Little-endian fields of headers that are already in memory; out-of-range
// offsets read as 0 so that short headers cannot be over-read.
quint16 ReadLE16(const QByteArray& bytes, qsizetype offset);
quint32 ReadLE32(const QByteArray& bytes, qsizetype offset);
quint64 ReadLE64(const QByteArray& bytes, qsizetype offset);

} // namespace avifile
