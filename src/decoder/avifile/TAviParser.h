#pragma once

#include "decoder/avifile/TAviLayout.h"
#include "decoder/avifile/TRiffSource.h"

#include <optional>

namespace avifile {

// Reads the RIFF structure of an AVI file: the headers of the 'AVI ' RIFF
// (hdrl with avih, strl/strh/strf/strn/indx, odml/dmlh), the 'movi' lists of
// it and of every OpenDML 'AVIX' RIFF, and where idx1 lies. Sizes that run
// past their parent (a file cut short, 0xFFFFFFFF) are cut back to the
// parent's end; odd sizes are followed by a pad byte.
class TAviParser
{
public:
    explicit TAviParser(TRiffSource& source);

    // nullopt when the file is not an AVI file or lacks a usable header.
    std::optional<TAviLayout> Parse();

private:
    using Chunk = TRiffChunk;

    void ForEachChunk(qint64 begin, qint64 end, const TRiffSource::ChunkVisitor& visit)
    {
        source.ForEachChunk(begin, end, visit);
    }
    std::optional<QByteArray> ReadChunk(const Chunk& chunk, qint64 limit);

    void ParseAviRiff(const Chunk& riff, TAviLayout& layout);
    void ParseHeaderList(const Chunk& hdrl, TAviLayout& layout);
    void ParseMainHeader(const QByteArray& avih, TAviLayout& layout);
    void ParseStreamList(const Chunk& strl, TAviLayout& layout);
    static bool ParseStreamHeader(const QByteArray& strh, TAviStreamInfo& info);
    void ParseOpenDmlList(const Chunk& odml, TAviLayout& layout);
    void AddMoviList(const Chunk& movi, TAviLayout& layout);

    TRiffSource& source;
    bool mainHeaderSeen = false;
};

} // namespace avifile
