#pragma once

#include "decoder/avifile/TAviLayout.h"
#include "decoder/avifile/TRiffSource.h"

#include <memory>

namespace avifile {

class TAviStream;

// An open AVI file: its parsed headers, the sample index of every video
// stream, and the source its frames are read from. Streams handed out keep
// the file alive.
class TAviFile : public std::enable_shared_from_this<TAviFile>
{
public:
    // Parses the device (open for reading); nullptr when it is not a usable
    // AVI file.
    static std::shared_ptr<TAviFile> Open(std::unique_ptr<QIODevice> device);

    const TAviFileInfo& Info() const { return layout.fileInfo; }
    int StreamCount() const { return int(layout.streams.size()); }
    // Stream i, or nullptr when there is none such.
    std::shared_ptr<TAviStream> Stream(int i);

    TRiffSource& Source() { return source; }

private:
    TAviFile(std::unique_ptr<QIODevice> device);

    TRiffSource source;
    TAviLayout layout;
};

} // namespace avifile
