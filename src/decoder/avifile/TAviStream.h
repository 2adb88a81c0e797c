#pragma once

#include "decoder/avifile/TAviLayout.h"

#include <QByteArray>

#include <memory>

namespace avifile {

class TAviFile;
class TAviVideoDecoder;

// One stream of an open file. Samples are numbered from Start() (the
// header's dwStart) to Start() + Length() - 1; for video a sample is a frame
// and the length is the number of frames the index lists.
//
// Times are milliseconds from the stream's first sample. Sample n covers
// [n * scale / rate, (n + 1) * scale / rate) seconds, counted from Start().
// TimeToSample rounds down (the sample that contains the time) and
// SampleToTime rounds up (the first whole millisecond inside the sample), so
// TimeToSample(SampleToTime(n)) == n whenever a sample lasts 1 ms or more.
class TAviStream
{
public:
    TAviStream(std::shared_ptr<TAviFile> file, const TAviStreamData& data);
    ~TAviStream();

    const TAviStreamInfo& Info() const { return data.info; }
    const QByteArray& Format() const { return data.format; }
    bool IsVideo() const { return data.info.fccType == streamtypeVIDEO; }
    // The header's rate and scale give a time mapping.
    bool HasTimeBase() const { return data.info.dwRate != 0 && data.info.dwScale != 0; }

    int Start() const;
    int Length() const;
    // Offset of the sample within the stream (0 = the first), -1 when the
    // stream has no such sample.
    int SampleIndex(int sample) const;

    // -1 when the stream has no time mapping; results are clamped to 32 bits.
    int TimeToSample(int milliseconds) const;
    int SampleToTime(int sample) const;

    // Index entry i (0-based).
    const TAviSample& Entry(int index) const { return data.samples[size_t(index)]; }
    int EntryCount() const { return int(data.samples.size()); }
    // Reads the first length bytes of entry i's data; false when they are
    // not there.
    bool ReadEntry(int index, char* destination, quint32 length);

    // Decoding state kept with the stream so that every frame server of it
    // moves forward from where the last one stopped.
    TAviVideoDecoder& Decoder();

private:
    std::shared_ptr<TAviFile> file;
    const TAviStreamData& data;
    std::unique_ptr<TAviVideoDecoder> decoder;
};

} // namespace avifile
