#include "decoder/avifile/TAviStream.h"

#include "decoder/avifile/TAviFile.h"
#include "decoder/avifile/TAviVideoDecoder.h"

#include <limits>

namespace avifile {

namespace {

__extension__ typedef __int128 Int128;

int ClampToInt(Int128 value)
{
    return int(std::clamp<Int128>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

Int128 FloorDivide(Int128 numerator, Int128 denominator)
{
    Int128 quotient = numerator / denominator;
    if ((numerator % denominator != 0) && ((numerator < 0) != (denominator < 0)))
        --quotient;
    return quotient;
}

Int128 CeilDivide(Int128 numerator, Int128 denominator)
{
    return -FloorDivide(-numerator, denominator);
}

} // namespace

TAviStream::TAviStream(std::shared_ptr<TAviFile> owner, const TAviStreamData& streamData)
    : file(std::move(owner))
    , data(streamData)
{
}

TAviStream::~TAviStream() = default;

int TAviStream::Start() const
{
    // Keeps Start() + Length() - 1 inside 32 bits.
    return int(std::min<qint64>(data.info.dwStart, std::numeric_limits<int>::max() - qint64(Length())));
}

int TAviStream::Length() const
{
    if (IsVideo())
        return int(data.samples.size());
    return int(std::min<quint32>(data.info.dwLength, std::numeric_limits<int>::max()));
}

int TAviStream::SampleIndex(int sample) const
{
    const qint64 index = qint64(sample) - Start();
    return index >= 0 && index < EntryCount() ? int(index) : -1;
}

int TAviStream::TimeToSample(int milliseconds) const
{
    if (!HasTimeBase())
        return -1;
    return ClampToInt(FloorDivide(Int128(milliseconds) * data.info.dwRate, Int128(data.info.dwScale) * 1000));
}

int TAviStream::SampleToTime(int sample) const
{
    if (!HasTimeBase())
        return -1;
    return ClampToInt(CeilDivide(Int128(sample) * data.info.dwScale * 1000, Int128(data.info.dwRate)));
}

bool TAviStream::ReadEntry(int index, char* destination, quint32 length)
{
    if (index < 0 || index >= EntryCount())
        return false;
    const TAviSample& sample = Entry(index);
    return sample.Readable() && length <= sample.size && file->Source().Read(sample.offset, destination, length);
}

TAviVideoDecoder& TAviStream::Decoder()
{
    if (!decoder)
        decoder = std::make_unique<TAviVideoDecoder>(*this);
    return *decoder;
}

} // namespace avifile
