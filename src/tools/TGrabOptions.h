#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The command line of pellumo-grab:
//   pellumo-grab [--at MS[,MS...]]... [--sharpest MS[,MS...]]...
//                [--split N | --sheet COLSxROWS | --shots] [--list-shots]
//                [--range START:END] [-o DIR]
//                [--format bmp|jpg|png] [--deinterlace] [--stored-pixels] [--info]
//                [--json] [--recursive] VIDEO|FOLDER...
// Positions are kept in the order given; a split is expanded once the
// video's duration is known.
class TGrabOptions
{
public:
    enum class TImageFormat { Bmp, Jpeg, Png };

    // One request, in command-line order: fixed positions or a split.
    struct TRequest
    {
        std::vector<int> positions; // --at, --sharpest
        int splitCount = 0;         // --split N (0: none)
        bool sharpest = false;      // --sharpest: the sharpest frame around each position
    };

    // One picture to write: the frame at position, or the sharpest frame
    // around it.
    struct TPick
    {
        int position = 0;
        bool sharpest = false;
    };

    // Parses the arguments after the program name. On failure Error() says
    // why; on --help HelpRequested() is true, on --version VersionRequested().
    bool Parse(const QStringList& arguments);

    const QString& Error() const { return error; }
    bool HelpRequested() const { return help; }
    bool VersionRequested() const { return version; }

    // The first input, and all of them (videos, and folders for --recursive).
    const QString& VideoPath() const { return videos.front(); }
    const QStringList& Inputs() const { return videos; }
    // The same options for one video whose pictures go to `folder`.
    TGrabOptions ForVideo(const QString& video, const QString& folder) const;
    const QString& OutputFolder() const { return folder; }
    TImageFormat ImageFormat() const { return format; }
    QString Extension() const;
    bool Deinterlace() const { return deinterlace; }
    bool InfoOnly() const { return infoOnly; }
    bool StoredPixels() const { return storedPixels; }
    bool Json() const { return json; }
    bool Recursive() const { return recursive; }
    // --sheet: one contact sheet of COLS x ROWS pictures at equal intervals
    // instead of picture files (0 columns: no sheet).
    int SheetColumns() const { return sheetColumns; }
    int SheetRows() const { return sheetRows; }
    // --shots: one picture per shot over the range; --list-shots: the cuts.
    bool Shots() const { return shots; }
    bool ListShots() const { return listShots; }
    // The stretch --split, --sheet and the shots cover, kept inside a video
    // of this duration (the whole video by default).
    std::pair<int, int> Range(int duration) const;

    // Every position to fetch, in order, for a video of this duration:
    // split positions over the range (whole video by default), positions
    // at or past the end moved to duration - 1.
    std::vector<int> Positions(int duration) const;
    // The same, each with the way it is fetched.
    std::vector<TPick> Picks(int duration) const;

    static QString Usage();

private:
    bool ParseOption(const QString& option, const QString& value);
    bool NeedsValue(const QString& option) const;
    bool Fail(const QString& message);
    bool CheckCombination();

    QString error;
    bool help = false;
    bool version = false;
    QStringList videos;
    QString folder = QStringLiteral(".");
    TImageFormat format = TImageFormat::Bmp;
    bool formatGiven = false;
    bool deinterlace = false;
    bool infoOnly = false;
    bool storedPixels = false;
    bool json = false;
    bool recursive = false;
    int sheetColumns = 0;
    int sheetRows = 0;
    bool shots = false;
    bool listShots = false;
    std::vector<TRequest> requests;
    std::optional<std::pair<int, int>> range;
};
