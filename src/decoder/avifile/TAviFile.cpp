#include "decoder/avifile/TAviFile.h"

#include "decoder/avifile/TAviIndexReader.h"
#include "decoder/avifile/TAviParser.h"
#include "decoder/avifile/TAviStream.h"

namespace avifile {

TAviFile::TAviFile(std::unique_ptr<QIODevice> device)
    : source(std::move(device))
{
}

std::shared_ptr<TAviFile> TAviFile::Open(std::unique_ptr<QIODevice> device)
{
    if (!device || !device->isOpen() || !device->isReadable() || device->isSequential())
        return nullptr;
    std::shared_ptr<TAviFile> file(new TAviFile(std::move(device)));
    auto layout = TAviParser(file->source).Parse();
    if (!layout)
        return nullptr;
    file->layout = std::move(*layout);
    TAviIndexReader(file->source, file->layout).Build();
    return file;
}

std::shared_ptr<TAviStream> TAviFile::Stream(int i)
{
    if (i < 0 || i >= StreamCount())
        return nullptr;
    return std::make_shared<TAviStream>(shared_from_this(), layout.streams[size_t(i)]);
}

} // namespace avifile
