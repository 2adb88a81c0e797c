#include "avifile/TTestAviWriter.h"

#include <QtEndian>

namespace {
constexpr int superIndexEntries = 2;
}

void TTestAviWriter::Put32(quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void TTestAviWriter::Put16(quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

void TTestAviWriter::Patch32(qsizetype at, quint32 value)
{
    qToLittleEndian(value, out.data() + at);
}

void TTestAviWriter::Patch64(qsizetype at, quint64 value)
{
    qToLittleEndian(value, out.data() + at);
}

qsizetype TTestAviWriter::BeginChunk(const char* id)
{
    const qsizetype start = out.size();
    out.append(id, 4);
    Put32(0);
    return start;
}

qsizetype TTestAviWriter::BeginList(const char* kind, const char* type)
{
    const qsizetype start = BeginChunk(kind);
    out.append(type, 4);
    return start;
}

void TTestAviWriter::EndChunk(qsizetype start)
{
    const quint32 size = quint32(out.size() - start - 8);
    Patch32(start + 4, size);
    if (size & 1)
        out.append('\0');
}

void TTestAviWriter::Chunk(const QByteArray& id, const QByteArray& data)
{
    const qsizetype start = BeginChunk(id.constData());
    out.append(data);
    EndChunk(start);
}

QByteArray TTestAviWriter::Write(const std::vector<TTestStream>& streams, TTestIndex index)
{
    TTestAviWriter writer;
    size_t frames = 0;
    for (const TTestStream& stream : streams)
        frames = std::max(frames, stream.frames.size());
    const qsizetype riff = writer.BeginList("RIFF", "AVI ");
    writer.WriteHeaders(streams, index);
    const size_t split = index == TTestIndex::OpenDml ? (frames + 1) / 2 : frames;
    const qsizetype movi = writer.BeginList("LIST", "movi");
    const auto firstPart = writer.WriteMovi(streams, 0, split);
    std::vector<qsizetype> standardIndexes;
    if (index == TTestIndex::OpenDml)
        standardIndexes.push_back(writer.WriteStandardIndex(firstPart));
    writer.EndChunk(movi);
    if (index == TTestIndex::Idx1Relative || index == TTestIndex::Idx1Absolute)
        writer.WriteIdx1(firstPart, movi + 8, index == TTestIndex::Idx1Absolute);
    writer.EndChunk(riff);
    if (index == TTestIndex::OpenDml) {
        const qsizetype avix = writer.BeginList("RIFF", "AVIX");
        const qsizetype movix = writer.BeginList("LIST", "movi");
        const auto secondPart = writer.WriteMovi(streams, split, frames);
        standardIndexes.push_back(writer.WriteStandardIndex(secondPart));
        writer.EndChunk(movix);
        writer.EndChunk(avix);
        // Stream 0 gets the super index pointing at both ix00 chunks.
        const qsizetype indx = writer.superIndexAt.front();
        for (int i = 0; i < superIndexEntries; ++i) {
            const qsizetype entry = indx + 24 + 16 * i;
            const qsizetype ix = standardIndexes[size_t(i)];
            writer.Patch64(entry, quint64(ix));
            writer.Patch32(entry + 8, quint32(qFromLittleEndian<quint32>(writer.out.constData() + ix + 4) + 8));
            writer.Patch32(entry + 12, quint32(i == 0 ? split : frames - split));
        }
        writer.Patch32(indx + 4, superIndexEntries);
    }
    return writer.out;
}

void TTestAviWriter::WriteHeaders(const std::vector<TTestStream>& streams, TTestIndex index)
{
    const qsizetype hdrl = BeginList("LIST", "hdrl");
    const qsizetype avih = BeginChunk("avih");
    const quint32 frames = streams.empty() ? 0 : quint32(streams.front().frames.size());
    for (quint32 value : { 40000u, 0u, 0u, 0x10u, frames, 0u, quint32(streams.size()), 0u, 0u, 0u, 0u, 0u, 0u, 0u })
        Put32(value);
    EndChunk(avih);
    for (const TTestStream& stream : streams) {
        const qsizetype strl = BeginList("LIST", "strl");
        WriteStreamHeader(stream);
        Chunk("strf", stream.format);
        if (index == TTestIndex::OpenDml) {
            const qsizetype indx = BeginChunk("indx");
            superIndexAt.push_back(out.size());
            Put16(4);
            out.append('\0'); // sub type
            out.append('\0'); // index of indexes
            Put32(0);
            out.append("00");
            out.append(stream.chunkType);
            out.append(QByteArray(12 + 16 * superIndexEntries, '\0'));
            EndChunk(indx);
        }
        EndChunk(strl);
    }
    EndChunk(hdrl);
}

void TTestAviWriter::WriteStreamHeader(const TTestStream& stream)
{
    const qsizetype strh = BeginChunk("strh");
    out.append(stream.type.leftJustified(4, ' ', true));
    out.append(stream.handler.leftJustified(4, '\0', true));
    Put32(0); // flags
    Put16(stream.priority);
    Put16(0); // language
    Put32(0); // initial frames
    Put32(stream.scale);
    Put32(stream.rate);
    Put32(stream.start);
    Put32(quint32(stream.frames.size()));
    Put32(0); // suggested buffer size
    Put32(0xFFFFFFFF); // quality
    Put32(0); // sample size
    for (int i = 0; i < 4; ++i)
        Put16(0);
    EndChunk(strh);
}

std::vector<TTestAviWriter::Written> TTestAviWriter::WriteMovi(const std::vector<TTestStream>& streams, size_t first, size_t end)
{
    std::vector<Written> written;
    for (size_t frame = first; frame < end; ++frame) {
        for (size_t s = 0; s < streams.size(); ++s) {
            const TTestStream& stream = streams[s];
            if (frame >= stream.frames.size())
                continue;
            const QByteArray id = QByteArray::number(qulonglong(s)).rightJustified(2, '0') + stream.chunkType;
            const bool key = stream.keyFrames.empty() || stream.keyFrames[frame];
            written.push_back({ id, out.size(), quint32(stream.frames[frame].size()), key });
            Chunk(id, stream.frames[frame]);
        }
    }
    return written;
}

void TTestAviWriter::WriteIdx1(const std::vector<Written>& chunks, qsizetype moviType, bool absolute)
{
    const qsizetype idx1 = BeginChunk("idx1");
    for (const Written& chunk : chunks) {
        out.append(chunk.id);
        Put32(chunk.key ? 0x10 : 0);
        Put32(quint32(absolute ? chunk.header : chunk.header - moviType));
        Put32(chunk.size);
    }
    EndChunk(idx1);
}

qsizetype TTestAviWriter::WriteStandardIndex(const std::vector<Written>& chunks)
{
    std::vector<Written> video;
    for (const Written& chunk : chunks) {
        if (chunk.id.startsWith("00"))
            video.push_back(chunk);
    }
    const qsizetype ix = BeginChunk("ix00");
    Put16(2);
    out.append('\0');
    out.append('\1'); // index of chunks
    Put32(quint32(video.size()));
    out.append(video.empty() ? QByteArray("00db") : video.front().id);
    const quint64 base = 0;
    char bytes[8];
    qToLittleEndian(base, bytes);
    out.append(bytes, 8);
    Put32(0);
    for (const Written& chunk : video) {
        Put32(quint32(chunk.header + 8 - qsizetype(base)));
        Put32(chunk.size | (chunk.key ? 0 : 0x80000000u));
    }
    EndChunk(ix);
    return ix;
}

QByteArray TTestAviWriter::BitmapInfo(int width, int height, int bitCount, quint32 compression, quint32 clrUsed,
                                      const QByteArray& extra)
{
    TTestAviWriter writer;
    writer.Put32(40);
    writer.Put32(quint32(width));
    writer.Put32(quint32(height));
    writer.Put16(1);
    writer.Put16(quint16(bitCount));
    writer.Put32(compression);
    writer.Put32(0);
    writer.Put32(0);
    writer.Put32(0);
    writer.Put32(clrUsed);
    writer.Put32(0);
    return writer.out + extra;
}

QByteArray TTestAviWriter::SolidFrame24(int width, int height, uchar blue, uchar green, uchar red)
{
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    QByteArray frame(rowBytes * height, '\0');
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            char* pixel = frame.data() + y * rowBytes + x * 3;
            pixel[0] = char(blue);
            pixel[1] = char(green);
            pixel[2] = char(red);
        }
    }
    return frame;
}

QByteArray TTestAviWriter::GreyPalette(int entries)
{
    QByteArray table;
    for (int i = 0; i < entries; ++i)
        table.append(char(i)).append(char(i)).append(char(i)).append('\0');
    return table;
}

std::vector<qsizetype> TTestAviWriter::ChunkBoundaries(const QByteArray& file)
{
    std::vector<qsizetype> boundaries;
    // Walks every chunk, descending into RIFF and LIST chunks.
    std::vector<std::pair<qsizetype, qsizetype>> ranges { { 0, file.size() } };
    while (!ranges.empty()) {
        auto [position, end] = ranges.back();
        ranges.pop_back();
        while (position + 8 <= end) {
            boundaries.push_back(position);
            const QByteArray id = file.mid(position, 4);
            const quint32 size = qFromLittleEndian<quint32>(file.constData() + position + 4);
            const qsizetype dataEnd = std::min<qsizetype>(position + 8 + size, end);
            if (id == "RIFF" || id == "LIST")
                ranges.push_back({ position + 12, dataEnd });
            position = position + 8 + size + (size & 1);
        }
    }
    boundaries.push_back(file.size());
    return boundaries;
}
