#include "picture/TMetafile.h"

#include "picture/EInvalidGraphic.h"

#include <QDataStream>
#include <QPainter>

TMetafile::TMetafile(const TMetafile& other) : TGraphic(), picture(other.picture), width(other.width), height(other.height)
{
    CopyTransparencyFrom(other);
}

TMetafile& TMetafile::operator=(const TMetafile& other)
{
    if (this != &other) {
        picture = other.picture;
        width = other.width;
        height = other.height;
        CopyTransparencyFrom(other);
        Changed();
    }
    return *this;
}

void TMetafile::SetSize(int newWidth, int newHeight)
{
    width = newWidth;
    height = newHeight;
    Changed();
}

void TMetafile::SetPicture(const QPicture& source)
{
    picture = source;
    Changed();
}

// Stored as width, height and the QPicture data.
void TMetafile::LoadFromStream(QIODevice& stream)
{
    QDataStream in(&stream);
    qint32 w = 0, h = 0;
    QPicture loaded;
    in >> w >> h >> loaded;
    if (in.status() != QDataStream::Ok || w < 0 || h < 0)
        throw EInvalidGraphic(QStringLiteral("Invalid metafile"));
    picture = loaded;
    width = w;
    height = h;
    Changed();
}

void TMetafile::SaveToStream(QIODevice& stream) const
{
    QDataStream out(&stream);
    out << qint32(width) << qint32(height) << picture;
}

void TMetafile::Assign(const TGraphic& source)
{
    const auto* other = dynamic_cast<const TMetafile*>(&source);
    if (!other && !source.AssignTo(*this))
        throw EInvalidGraphic(QStringLiteral("Cannot assign this graphic to a metafile"));
    if (other)
        *this = *other;
}

void TMetafile::Draw(QPainter& canvas, const QRect& rect) const
{
    if (Empty() || rect.isEmpty())
        return;
    canvas.save();
    canvas.translate(rect.topLeft());
    canvas.scale(qreal(rect.width()) / width, qreal(rect.height()) / height);
    canvas.drawPicture(0, 0, picture);
    canvas.restore();
}

std::unique_ptr<TGraphic> TMetafile::Clone() const
{
    return std::make_unique<TMetafile>(*this);
}
