#pragma once

#include <QString>

#include <functional>
#include <memory>

class TGraphic;

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// The file formats the generic picture loader knows: extension (without the
// dot, compared without regard to case) to graphic class. For the same
// extension the latest registration wins. "BMP" (TSafetyBitmap), "JPG" and
// "JPEG" (TSafetyJPEGImage) are registered from the start.
class TGraphicFormats
{
public:
    static void Register(const QString& extension, const QString& description, TGraphicFactory factory);
    static void Unregister(const QString& extension);

    // A new empty graphic for the file's extension, or nullptr when unknown.
    static std::unique_ptr<TGraphic> CreateForFile(const QString& path);
    static QString Description(const QString& extension);
};
