#include "decoder/avifile/TAviParser.h"

namespace avifile {

namespace {

constexpr quint32 ckRIFF = MakeFourCC('R', 'I', 'F', 'F');
constexpr quint32 ckLIST = MakeFourCC('L', 'I', 'S', 'T');
constexpr quint32 formAVI = MakeFourCC('A', 'V', 'I', ' ');
constexpr quint32 formAVIX = MakeFourCC('A', 'V', 'I', 'X');
constexpr quint32 listHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr quint32 listStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr quint32 listMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr quint32 listOdml = MakeFourCC('o', 'd', 'm', 'l');
constexpr quint32 ckAvih = MakeFourCC('a', 'v', 'i', 'h');
constexpr quint32 ckStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr quint32 ckStrf = MakeFourCC('s', 't', 'r', 'f');
constexpr quint32 ckStrn = MakeFourCC('s', 't', 'r', 'n');
constexpr quint32 ckIndx = MakeFourCC('i', 'n', 'd', 'x');
constexpr quint32 ckIdx1 = MakeFourCC('i', 'd', 'x', '1');
constexpr quint32 ckDmlh = MakeFourCC('d', 'm', 'l', 'h');

// Header chunks are small; a larger one is damaged and is not read into memory.
constexpr qint64 maxHeaderChunk = 1 << 20;
constexpr qint64 avihSize = 40;
constexpr qint64 strhMinimumSize = 48;

} // namespace

TAviParser::TAviParser(TRiffSource& riffSource)
    : source(riffSource)
{
}

std::optional<TAviLayout> TAviParser::Parse()
{
    TAviLayout layout;
    bool first = true;
    bool valid = true;
    // The top level is a row of RIFF chunks: 'AVI ' first, then OpenDML 'AVIX'.
    ForEachChunk(0, source.Size(), [&](const Chunk& riff) {
        if (riff.id != ckRIFF) {
            valid = !first;
            return false;
        }
        if (first) {
            first = false;
            if (riff.listType != formAVI) {
                valid = false;
                return false;
            }
            ParseAviRiff(riff, layout);
            return true;
        }
        if (riff.listType != formAVIX)
            return false;
        ForEachChunk(riff.dataBegin + 4, riff.dataEnd, [&](const Chunk& chunk) {
            if (chunk.id == ckLIST && chunk.listType == listMovi)
                AddMoviList(chunk, layout);
            return true;
        });
        return true;
    });
    if (!valid || first || !mainHeaderSeen || layout.streams.empty())
        return std::nullopt;
    layout.fileInfo.dwStreams = quint32(layout.streams.size());
    return layout;
}

std::optional<QByteArray> TAviParser::ReadChunk(const Chunk& chunk, qint64 limit)
{
    if (chunk.Size() > limit)
        return std::nullopt;
    return source.ReadBytes(chunk.dataBegin, chunk.Size());
}

void TAviParser::ParseAviRiff(const Chunk& riff, TAviLayout& layout)
{
    ForEachChunk(riff.dataBegin + 4, riff.dataEnd, [&](const Chunk& chunk) {
        if (chunk.id == ckLIST && chunk.listType == listHdrl && !mainHeaderSeen)
            ParseHeaderList(chunk, layout);
        else if (chunk.id == ckLIST && chunk.listType == listMovi)
            AddMoviList(chunk, layout);
        else if (chunk.id == ckIdx1 && layout.idx1Offset < 0 && chunk.Complete()) {
            // A cut-off idx1 would hide the frames it no longer lists; the
            // data is walked instead.
            layout.idx1Offset = chunk.dataBegin;
            layout.idx1Size = chunk.Size();
        }
        return true;
    });
}

void TAviParser::ParseHeaderList(const Chunk& hdrl, TAviLayout& layout)
{
    ForEachChunk(hdrl.dataBegin + 4, hdrl.dataEnd, [&](const Chunk& chunk) {
        if (chunk.id == ckAvih && !mainHeaderSeen) {
            if (const auto avih = ReadChunk(chunk, maxHeaderChunk); avih && avih->size() >= avihSize)
                ParseMainHeader(*avih, layout);
        } else if (chunk.id == ckLIST && chunk.listType == listStrl) {
            if (int(layout.streams.size()) < maxStreams)
                ParseStreamList(chunk, layout);
        } else if (chunk.id == ckLIST && chunk.listType == listOdml) {
            ParseOpenDmlList(chunk, layout);
        }
        return true;
    });
}

void TAviParser::ParseMainHeader(const QByteArray& avih, TAviLayout& layout)
{
    TAviFileInfo& info = layout.fileInfo;
    info.dwScale = ReadLE32(avih, 0);
    info.dwRate = 1000000;
    info.dwMaxBytesPerSec = ReadLE32(avih, 4);
    info.dwFlags = ReadLE32(avih, 12);
    // An OpenDML header seen before keeps its total.
    if (info.dwLength == 0)
        info.dwLength = ReadLE32(avih, 16);
    info.dwSuggestedBufferSize = ReadLE32(avih, 28);
    info.dwWidth = ReadLE32(avih, 32);
    info.dwHeight = ReadLE32(avih, 36);
    mainHeaderSeen = true;
}

void TAviParser::ParseStreamList(const Chunk& strl, TAviLayout& layout)
{
    TAviStreamData stream;
    bool headerSeen = false;
    ForEachChunk(strl.dataBegin + 4, strl.dataEnd, [&](const Chunk& chunk) {
        if (chunk.id == ckStrh && !headerSeen) {
            const auto strh = ReadChunk(chunk, maxHeaderChunk);
            headerSeen = strh && ParseStreamHeader(*strh, stream.info);
        } else if (chunk.id == ckStrf && stream.format.isEmpty()) {
            stream.format = ReadChunk(chunk, maxHeaderChunk).value_or(QByteArray());
        } else if (chunk.id == ckStrn) {
            const QByteArray name = ReadChunk(chunk, 4096).value_or(QByteArray());
            stream.info.szName = QString::fromLatin1(name.left(name.indexOf('\0')));
        } else if (chunk.id == ckIndx && stream.superIndex.isEmpty()) {
            stream.superIndex = ReadChunk(chunk, maxHeaderChunk).value_or(QByteArray());
        }
        return true;
    });
    // The position of a strl gives its stream number, so a list without a
    // usable header still takes its place.
    if (!headerSeen)
        stream.info = TAviStreamInfo();
    layout.streams.push_back(std::move(stream));
}

bool TAviParser::ParseStreamHeader(const QByteArray& strh, TAviStreamInfo& info)
{
    if (strh.size() < strhMinimumSize)
        return false;
    info.fccType = ReadLE32(strh, 0);
    info.fccHandler = ReadLE32(strh, 4);
    info.dwFlags = ReadLE32(strh, 8);
    info.wPriority = ReadLE16(strh, 12);
    info.wLanguage = ReadLE16(strh, 14);
    info.dwInitialFrames = ReadLE32(strh, 16);
    info.dwScale = ReadLE32(strh, 20);
    info.dwRate = ReadLE32(strh, 24);
    info.dwStart = ReadLE32(strh, 28);
    info.dwLength = ReadLE32(strh, 32);
    info.dwSuggestedBufferSize = ReadLE32(strh, 36);
    info.dwQuality = ReadLE32(strh, 40);
    info.dwSampleSize = ReadLE32(strh, 44);
    for (int i = 0; i < 4; ++i)
        info.rcFrame[i] = qint16(ReadLE16(strh, 48 + 2 * i));
    return true;
}

void TAviParser::ParseOpenDmlList(const Chunk& odml, TAviLayout& layout)
{
    ForEachChunk(odml.dataBegin + 4, odml.dataEnd, [&](const Chunk& chunk) {
        if (chunk.id == ckDmlh && chunk.Size() >= 4) {
            if (const quint32 total = source.ReadU32(chunk.dataBegin).value_or(0))
                layout.fileInfo.dwLength = total;
        }
        return true;
    });
}

void TAviParser::AddMoviList(const Chunk& movi, TAviLayout& layout)
{
    layout.moviLists.push_back(TMoviList { movi.dataBegin, movi.dataEnd });
}

} // namespace avifile
