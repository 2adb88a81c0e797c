#include "browser/TScenePreview.h"

#include "browser/UBrowserRules.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

namespace {

constexpr int Margin = 6;
constexpr int Gap = 8; // between the item and the preview

} // namespace

TScenePreview::TScenePreview(QWidget* owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ScenePreview"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    if (owner)
        setFont(owner->font());
}

void TScenePreview::ShowScene(int sceneIndex, const QImage& scene, const QStringList& texts, const QRect& item)
{
    index = sceneIndex;
    lines = texts;
    const QSize fitted = scene.isNull() ? QSize(BoxWidth, BoxHeight)
                                        : FitThumbnailSize(scene.size(), QSize(BoxWidth, BoxHeight));
    picture = scene.isNull() ? QImage()
                             : scene.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QFontMetrics metrics(font());
    int textWidth = 0;
    for (const QString& line : lines)
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    const QSize size(std::max(fitted.width(), textWidth) + 2 * Margin,
                     fitted.height() + 2 * Margin + int(lines.size()) * metrics.height());
    resize(size);

    // Beside the item, on the side with room, and inside the screen.
    const QScreen* screen = QGuiApplication::screenAt(item.center());
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size);
    int x = item.left() - Gap - size.width();
    if (x < available.left())
        x = item.right() + Gap;
    int y = item.center().y() - size.height() / 2;
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() - size.width() + 1));
    y = std::clamp(y, available.top(), std::max(available.top(), available.bottom() - size.height() + 1));
    move(x, y);
    show();
    raise();
    update();
}

void TScenePreview::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int pictureWidth = picture.isNull() ? BoxWidth : picture.width();
    const int pictureHeight = picture.isNull() ? BoxHeight : picture.height();
    const QRect target((width() - pictureWidth) / 2, Margin, pictureWidth, pictureHeight);
    if (picture.isNull())
        painter.fillRect(target, Qt::black);
    else
        painter.drawImage(target, picture);
    painter.setPen(palette().color(QPalette::ToolTipText));
    const QFontMetrics metrics(font());
    int top = target.bottom() + 1 + Margin / 2;
    for (const QString& line : lines) {
        painter.drawText(QRect(Margin, top, width() - 2 * Margin, metrics.height()), Qt::AlignHCenter, line);
        top += metrics.height();
    }
}
