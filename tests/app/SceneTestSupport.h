#pragma once

// Scene pictures and folders for the capture store and scene command tests.

#include "TFileSizeLimit.h"
#include "TestFiles.h"
#include "picture/TSafetyBitmap.h"
#include "picture/UImageWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QStringList>


// A 24-bit frame whose pixels depend on seed, so two seeds never look alike.
inline TSafetyBitmap SceneFrame(int seed, int width = 32, int height = 24)
{
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((seed * 37 + x) & 0xFF, (seed * 11 + y) & 0xFF, (seed / 7) & 0xFF));
    TSafetyBitmap frame;
    frame.SetImage(image);
    return frame;
}

inline void WriteSceneBmp(const QString& path, int seed)
{
    QDir().mkpath(QFileInfo(path).path());
    WriteBmpFile(SceneFrame(seed).Image(), path);
}

// Every entry below folder, sorted, so a test sees a stray temporary file.
inline QStringList FolderEntries(const QString& folder)
{
    QStringList entries;
    QDir dir(folder);
    for (const QFileInfo& info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name)) {
        entries.append(info.fileName());
        if (info.isDir())
            for (const QString& inner : FolderEntries(info.filePath()))
                entries.append(info.fileName() + "/" + inner);
    }
    return entries;
}
