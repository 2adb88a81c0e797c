#pragma once

#include "picture/UImageWriter.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// A contact sheet: chosen scenes as thumbnails in a grid, each captioned with
// its number and position, under a header line naming the movie, its length
// and its picture size. Drawn with QPainter on a QImage (needs a
// QGuiApplication for the fonts).

// One scene on the sheet.
struct TSheetScene
{
    QImage Picture;     // a null picture leaves its cell empty (framed only)
    int Number = 0;     // shown as "No.<Number>"
    int Position = -1;  // milliseconds; -1 is shown as "--:--:--.--"
};

// What the header line says; unknown parts are left out.
struct TSheetHeader
{
    QString Movie;      // the movie's file name
    int Duration = -1;  // milliseconds
    QSize FrameSize;    // the movie's picture size
};

// Where everything goes. Cells are filled row by row from the top left.
struct TSheetLayout
{
    int Columns = 0;
    int Rows = 0;
    QSize Thumbnail;    // the picture area of a cell
    int CaptionHeight = 0;
    int CaptionPixelSize = 0;
    int HeaderHeight = 0;
    int HeaderPixelSize = 0;
    QSize Sheet;

    QRect HeaderRect() const;
    QRect PictureRect(int index) const;
    QRect CaptionRect(int index) const;
};

// The grid for `count` scenes (at least 1) of pictures of `frameSize` (an
// invalid size counts as 16:9): `columns` columns, or with 0 the smallest
// square-ish grid of at most 10 columns (16 scenes: 4 x 4, 99: 10 x 10),
// and as many rows as the scenes need. Thumbnails are at most 320 pixels
// wide; the automatic grid keeps the sheet within 1920 pixels, and any grid
// of up to 100 columns and 100 rows within 16384 pixels a side, by making
// the thumbnails smaller (down to 32 pixels wide).
TSheetLayout ContactSheetLayout(int count, QSize frameSize, int columns = 0);

// Draws the sheet for the scenes in the layout's cells, in order; scenes past
// the last cell are left out. The header's frame size, else the first
// scene's picture size, sets the thumbnails' shape; each picture is fitted
// into its thumbnail keeping its own shape.
QImage RenderContactSheet(const QList<TSheetScene>& scenes, const TSheetHeader& header, int columns = 0);
QImage RenderContactSheet(const QList<TSheetScene>& scenes, const TSheetHeader& header, const TSheetLayout& layout);

// The frame size the sheet's thumbnails follow (see RenderContactSheet).
QSize SheetFrameSize(const QList<TSheetScene>& scenes, const TSheetHeader& header);

// A picture reduced (by area averaging) to fit the layout's thumbnail,
// keeping its shape: what a cell shows, without keeping the whole frame.
QImage SheetThumbnail(const QImage& picture, const TSheetLayout& layout);

// The provenance stored with a sheet: the program, the movie when every
// scene comes from the same one (its full path), and the scenes' positions
// in milliseconds, in sheet order, separated by commas (-1: unknown).
TImageTexts ContactSheetTexts(const QString& program, const QString& movie, const QList<int>& positions);
