// Shows the thumbnail browser hosted in a panel with twenty scenes of several
// shapes (landscape, portrait, tiny, one unreadable) and two of them selected.
//
// Usage: browser_showcase [width height]
#include "browser/FImageBrowser.h"
#include "picture/TCustomImagePack.h"
#include "picture/TPictureEx.h"
#include "picture/TSafetyBitmap.h"
#include "widgets/TFormPanel.h"

#include <QApplication>
#include <QPainter>

#include <stdexcept>

namespace {

QImage Scene(int no)
{
    const QSize sizes[] = {{640, 480}, {1920, 1080}, {480, 640}, {32, 24}};
    QImage image(sizes[no % 4], QImage::Format_BGR888);
    QLinearGradient sky(0, 0, 0, image.height());
    sky.setColorAt(0, QColor::fromHsv((no * 37) % 360, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((no * 37 + 180) % 360, 200, 90));
    QPainter painter(&image);
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(std::max(8, image.height() / 3));
    painter.setFont(font);
    painter.drawText(image.rect(), Qt::AlignCenter, QString::number(no + 1));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int count = 20;
    TCustomImagePack scenes;
    scenes.SetCacheLimit(40);
    scenes.OnGetCount = [](QObject*, int& n) { n = count; };
    scenes.OnGetImage = [](QObject*, TPictureEx* picture, int no) {
        if (no == 6)
            throw std::runtime_error("unreadable scene");
        picture->Bitmap().SetImage(Scene(no));
    };

    QWidget window;
    window.setWindowTitle(QStringLiteral("シーン一覧"));
    auto* panel = new TFormPanel(&window);
    panel->setGeometry(8, 8, 304, 315);
    auto* browser = new TfrmImageBrowser(&window);
    panel->SetForm(browser);
    browser->SetImagePack(&scenes);
    browser->SetThumbnailSize(100);
    QStringList captions;
    for (int i = 1; i <= count; ++i)
        captions << QStringLiteral("No.%1").arg(i);
    captions[4] = QStringLiteral("No.5 夕方の海岸で撮った場面");
    browser->SetCaptions(captions);
    browser->OnGetInfoTip = [](int i) { return QStringLiteral("sample.mp4 00:00:%1.00").arg(i * 3, 2, 10, QLatin1Char('0')); };
    const int width = argc > 2 ? QString(argv[1]).toInt() : 560;
    const int height = argc > 2 ? QString(argv[2]).toInt() : 440;
    window.resize(width, height);
    panel->resize(width - 16, height - 16);
    browser->SelectIndex(1);
    browser->SelectIndex(4);
    window.show();
    browser->FormActivate();
    return app.exec();
}
