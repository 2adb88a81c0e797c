#include "tools/TGrabOptions.h"

#include "support/USplitPositions.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int MaxPictures = 999; // pictures are numbered in three digits
constexpr int MaxSheetSide = 100; // columns or rows of a contact sheet

std::optional<int> ParseMilliseconds(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < 0 || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

} // namespace

QString TGrabOptions::Usage()
{
    return QStringLiteral(
        "Usage: pellumo-grab [--at MS[,MS...]]... [--sharpest MS[,MS...]]...\n"
        "                    [--split N | --sheet COLSxROWS | --shots] [--list-shots]\n"
        "                    [--range START:END]\n"
        "                    [-o DIR] [--format bmp|jpg|png] [--deinterlace]\n"
        "                    [--stored-pixels] [--info] [--json] [--recursive]\n"
        "                    VIDEO|FOLDER...\n"
        "\n"
        "Writes the frames of each VIDEO at the given millisecond positions as pictures.\n"
        "\n"
        "  --at MS[,MS...]    positions in milliseconds, fetched in the order given\n"
        "  --sharpest MS[,MS...]  for each position the sharpest frame within 0.5 s\n"
        "                     either side; its own position is printed\n"
        "  --split N          N positions at equal intervals, as the automatic split\n"
        "  --sheet COLSxROWS  one contact sheet DIR/sheet.png (or .jpg) of COLS x ROWS\n"
        "                     pictures at equal intervals, instead of picture files\n"
        "  --shots            one picture per shot: the sharpest frame of the middle of\n"
        "                     each shot (cuts found by the shot detector); a shot\n"
        "                     that looks like one already written is skipped\n"
        "  --list-shots       print the position of each cut found\n"
        "  --range START:END  the stretch the split, sheet or shots cover (default:\n"
        "                     the whole video); START-END also does\n"
        "  -o DIR             folder for the pictures DIR/001.ext, ... (default: .)\n"
        "  --format FORMAT    bmp (24-bit BMP, default), jpg (JPEG, quality 90,\n"
        "                     baseline) or png; a sheet is png (default) or jpg\n"
        "  --deinterlace      double the lines of the top field\n"
        "  --stored-pixels    the pixels as stored: not turned upright by the\n"
        "                     display matrix, not widened to square pixels\n"
        "  --info             print the first line only\n"
        "  --json             print one JSON object per line instead of text lines\n"
        "  -r, --recursive    take the video files in each FOLDER and its subfolders\n"
        "  -h, --help         this text\n"
        "  --version          the program's version\n"
        "\n"
        "With one VIDEO the pictures go to DIR itself. With several inputs, a FOLDER\n"
        "or --recursive each video's pictures go to DIR/NAME, NAME being the video's\n"
        "file name without its extension (below a FOLDER: its path there); a name met\n"
        "before gets _2, _3, ... A video that cannot be done is reported, the others\n"
        "go on, and the exit status is 1.\n"
        "\n"
        "For each video the first line on standard output is\n"
        "  backend=ffmpeg|avi duration=<ms> size=<w>x<h>\n"
        "(the size of the pictures written: upright, in square pixels; with\n"
        "--stored-pixels as stored),\n"
        "then one line per picture: number, position and path, separated by tabs\n"
        "(a sheet: \"sheet\", the number of pictures and its path). --list-shots\n"
        "prints one line per cut: its position; --shots ends with \"shots\", the\n"
        "shots found, the pictures written and the shots skipped as near duplicates.\n"
        "With --json: {\"type\":\"video\",\"video\":...,\"backend\":...,\"duration\":...,\n"
        "\"width\":...,\"height\":...}, then {\"type\":\"picture\",\"video\":...,\"index\":...,\n"
        "\"position\":...,\"frame\":...,\"file\":...} per picture (frame: the position\n"
        "of the frame written), or {\"type\":\"sheet\",\"video\":...,\"positions\":[...],\n"
        "\"frames\":[...],\"file\":...}; {\"type\":\"cut\",\"video\":...,\"index\":...,\n"
        "\"position\":...} per cut; {\"type\":\"shots\",\"video\":...,\"shots\":...,\n"
        "\"taken\":...,\"duplicates\":...}.\n"
        "A position at or past the end gives the last frame (duration - 1).\n"
        "At most 999 positions per video.\n"
        "Exit status: 0 success, 1 a video cannot be opened or a picture cannot\n"
        "be fetched (no picture for that position) or written, 2 bad usage.\n");
}

bool TGrabOptions::Fail(const QString& message)
{
    error = message;
    return false;
}

bool TGrabOptions::NeedsValue(const QString& option) const
{
    return option == "--at" || option == "--sharpest" || option == "--split" || option == "--range" || option == "-o"
           || option == "--format" || option == "--sheet";
}

bool TGrabOptions::Parse(const QStringList& arguments)
{
    for (int i = 0; i < arguments.size(); ++i) {
        QString option = arguments[i];
        QString value;
        if (option == "-h" || option == "--help") {
            help = true;
            return true;
        }
        if (option == "--version") {
            version = true;
            return true;
        }
        if (option.startsWith("--") && option.contains('=')) {
            value = option.section('=', 1);
            option = option.section('=', 0, 0);
        } else if (NeedsValue(option)) {
            if (i + 1 >= arguments.size())
                return Fail(option + " needs a value");
            value = arguments[++i];
        }
        if (option == "--") {
            videos += arguments.mid(i + 1);
            break;
        }
        if (option.startsWith('-') && option.size() > 1) {
            if (!ParseOption(option, value))
                return false;
            continue;
        }
        videos.append(option);
    }
    if (videos.isEmpty())
        return Fail("no VIDEO given");
    return CheckCombination();
}

bool TGrabOptions::CheckCombination()
{
    if (range && std::none_of(requests.begin(), requests.end(), [](const TRequest& r) { return r.splitCount > 0; })
        && sheetColumns == 0 && !shots && !listShots)
        return Fail("--range needs --split, --sheet, --shots or --list-shots");
    if ((shots || listShots) && (!requests.empty() || sheetColumns > 0))
        return Fail("--shots and --list-shots cannot be combined with --at, --sharpest, --split or --sheet");
    if (sheetColumns > 0) {
        if (!requests.empty())
            return Fail("--sheet cannot be combined with --at, --sharpest or --split");
        if (formatGiven && format == TImageFormat::Bmp)
            return Fail("--sheet: png or jpg expected");
        if (!formatGiven)
            format = TImageFormat::Png;
        requests.push_back(TRequest{{}, sheetColumns * sheetRows});
    }
    qint64 pictures = 0;
    for (const TRequest& request : requests)
        pictures += qint64(request.positions.size()) + request.splitCount;
    if (pictures > MaxPictures)
        return Fail(QString("at most %1 positions in one run (%2 given)").arg(MaxPictures).arg(pictures));
    return true;
}

TGrabOptions TGrabOptions::ForVideo(const QString& video, const QString& outputFolder) const
{
    TGrabOptions one = *this;
    one.videos = QStringList{video};
    one.folder = outputFolder;
    return one;
}

bool TGrabOptions::ParseOption(const QString& option, const QString& value)
{
    if (option == "--at" || option == "--sharpest") {
        TRequest request;
        request.sharpest = option == "--sharpest";
        for (const QString& part : value.split(',')) {
            const std::optional<int> position = ParseMilliseconds(part);
            if (!position)
                return Fail(option + ": not a position in milliseconds: " + part);
            request.positions.push_back(*position);
        }
        requests.push_back(request);
    } else if (option == "--split") {
        bool ok = false;
        const int count = value.toInt(&ok);
        if (!ok || count < 1 || count > MaxPictures)
            return Fail(QString("--split: N must be 1 to %1").arg(MaxPictures));
        requests.push_back(TRequest{{}, count});
    } else if (option == "--range") {
        // START:END, or START-END (positions are never negative).
        const QStringList ends = value.contains(':') ? value.split(':') : value.split('-');
        const std::optional<int> start = ends.size() == 2 ? ParseMilliseconds(ends[0]) : std::nullopt;
        const std::optional<int> end = ends.size() == 2 ? ParseMilliseconds(ends[1]) : std::nullopt;
        if (!start || !end || *start > *end)
            return Fail("--range: START:END (or START-END) in milliseconds with START <= END expected");
        range = std::make_pair(*start, *end);
    } else if (option == "-o") {
        if (value.isEmpty())
            return Fail("-o: empty folder");
        folder = value;
    } else if (option == "--sheet") {
        const QStringList sides = value.toLower().split('x');
        bool columnsOk = false;
        bool rowsOk = false;
        const int columns = sides.size() == 2 ? sides[0].toInt(&columnsOk) : 0;
        const int rows = sides.size() == 2 ? sides[1].toInt(&rowsOk) : 0;
        if (!columnsOk || !rowsOk || columns < 1 || rows < 1 || columns > MaxSheetSide || rows > MaxSheetSide
            || columns * rows > MaxPictures)
            return Fail(QString("--sheet: COLSxROWS expected, each 1 to %1, at most %2 pictures")
                            .arg(MaxSheetSide)
                            .arg(MaxPictures));
        sheetColumns = columns;
        sheetRows = rows;
    } else if (option == "--format") {
        formatGiven = true;
        const QString name = value.toLower();
        if (name == "bmp")
            format = TImageFormat::Bmp;
        else if (name == "jpg" || name == "jpeg")
            format = TImageFormat::Jpeg;
        else if (name == "png")
            format = TImageFormat::Png;
        else
            return Fail("--format: bmp, jpg or png expected");
    } else if (option == "--deinterlace") {
        deinterlace = true;
    } else if (option == "--stored-pixels") {
        storedPixels = true;
    } else if (option == "--info") {
        infoOnly = true;
    } else if (option == "--shots") {
        shots = true;
    } else if (option == "--list-shots") {
        listShots = true;
    } else if (option == "--json") {
        json = true;
    } else if (option == "-r" || option == "--recursive") {
        recursive = true;
    } else {
        return Fail("unknown option " + option);
    }
    return true;
}

QString TGrabOptions::Extension() const
{
    switch (format) {
    case TImageFormat::Jpeg: return QStringLiteral("jpg");
    case TImageFormat::Png: return QStringLiteral("png");
    case TImageFormat::Bmp: break;
    }
    return QStringLiteral("bmp");
}

std::vector<int> TGrabOptions::Positions(int duration) const
{
    std::vector<int> positions;
    for (const TPick& pick : Picks(duration))
        positions.push_back(pick.position);
    return positions;
}

std::pair<int, int> TGrabOptions::Range(int duration) const
{
    // The range is kept within the video, as the position bar does.
    const int length = std::max(duration, 0);
    if (!range)
        return {0, length};
    return {std::min(range->first, length), std::min(range->second, length)};
}

std::vector<TGrabOptions::TPick> TGrabOptions::Picks(int duration) const
{
    const int last = std::max(duration - 1, 0);
    std::vector<TPick> picks;
    for (const TRequest& request : requests) {
        if (request.splitCount > 0) {
            const auto [start, end] = Range(duration);
            for (int position : SplitPositions(start, end, request.splitCount))
                picks.push_back({std::min(position, last), false});
        } else {
            for (int position : request.positions)
                picks.push_back({std::min(position, last), request.sharpest});
        }
    }
    return picks;
}
