#include "picture/TGraphicFormats.h"

#include "picture/TSafetyBitmap.h"
#include "picture/TSafetyJPEGImage.h"

#include <QFileInfo>
#include <QList>

namespace {

struct Format
{
    QString extension;
    QString description;
    TGraphicFactory factory;
};

QList<Format>& formats()
{
    static QList<Format> list = [] {
        QList<Format> initial;
        initial.append({"BMP", "Bitmaps", [] { return std::unique_ptr<TGraphic>(new TSafetyBitmap); }});
        initial.append({"JPG", "JPEG Image", [] { return std::unique_ptr<TGraphic>(new TSafetyJPEGImage); }});
        initial.append({"JPEG", "JPEG Image", [] { return std::unique_ptr<TGraphic>(new TSafetyJPEGImage); }});
        return initial;
    }();
    return list;
}

const Format* find(const QString& extension)
{
    const QList<Format>& list = formats();
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        if (it->extension.compare(extension, Qt::CaseInsensitive) == 0)
            return &*it;
    return nullptr;
}

} // namespace

void TGraphicFormats::Register(const QString& extension, const QString& description, TGraphicFactory factory)
{
    formats().append({extension, description, std::move(factory)});
}

void TGraphicFormats::Unregister(const QString& extension)
{
    formats().removeIf([&](const Format& f) { return f.extension.compare(extension, Qt::CaseInsensitive) == 0; });
}

std::unique_ptr<TGraphic> TGraphicFormats::CreateForFile(const QString& path)
{
    const Format* format = find(QFileInfo(path).suffix());
    return format ? format->factory() : nullptr;
}

QString TGraphicFormats::Description(const QString& extension)
{
    const Format* format = find(extension);
    return format ? format->description : QString();
}
