#include "picture/UErrorPicture.h"

#include "picture/TMetafile.h"
#include "picture/TPictureEx.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPicture>

namespace {

std::unique_ptr<TPictureEx> makeErrorPicture()
{
    const QString text = QString::fromUtf8(ErrorPictureText());
    const QFont font = QGuiApplication::font();
    const QRect bounds = QFontMetrics(font).boundingRect(QRect(), Qt::AlignCenter, text);
    const QRect area(0, 0, bounds.width(), bounds.height());

    QPicture drawing;
    QPainter painter(&drawing);
    painter.fillRect(area, Qt::white);
    painter.setFont(font);
    painter.setPen(QColor(255, 0, 0));
    painter.drawText(area, Qt::AlignCenter, text);   // no mnemonic processing in drawText
    painter.end();

    TMetafile metafile;
    metafile.SetPicture(drawing);
    metafile.SetSize(area.width(), area.height());
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(&metafile);
    return picture;
}

} // namespace

const char* ErrorPictureText()
{
    return "イメージ処理\nエラー";
}

const TPictureEx& ErrorPicture()
{
    static const std::unique_ptr<TPictureEx> picture = makeErrorPicture();
    return *picture;
}
