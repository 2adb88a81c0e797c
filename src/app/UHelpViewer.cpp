#include "app/UHelpViewer.h"

#include "app/UChmFile.h"
#include "app/UOpenUrl.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStringDecoder>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#ifndef PELLUMO_DATA_FROM_BIN
#define PELLUMO_DATA_FROM_BIN "../share/pellumo"
#endif

namespace {

constexpr QSize ViewerSize(760, 600);

QUrl TopicUrl(const QString& path)
{
    QUrl url;
    url.setScheme(QString::fromLatin1(TfrmHelpViewer::Scheme));
    const qsizetype hash = path.indexOf(u'#');
    url.setPath(hash < 0 ? path : path.left(hash));
    if (hash >= 0)
        url.setFragment(path.mid(hash + 1));
    return url;
}

// A text browser whose pages, pictures and style sheets come from the CHM.
class TChmBrowser : public QTextBrowser
{
public:
    TChmBrowser(const TChmFile& chm, QWidget* parent) : QTextBrowser(parent), file(chm) {}

    QVariant loadResource(int type, const QUrl& name) override
    {
        const QUrl url = name.isRelative() ? document()->baseUrl().resolved(name) : name;
        if (url.scheme() != QLatin1String(TfrmHelpViewer::Scheme))
            return {};
        const auto data = file.Read(url.path(QUrl::FullyDecoded));
        if (!data)
            return {};
        if (type == QTextDocument::HtmlResource) {
            QStringDecoder decoder = QStringDecoder::decoderForHtml(*data);
            if (!decoder.isValid())
                decoder = QStringDecoder(QStringDecoder::Utf8);
            return QString(decoder.decode(*data));
        }
        return *data;
    }

private:
    const TChmFile& file;
};

} // namespace

QString FindHelpFile(const QString& programPath)
{
    const QFileInfo program(programPath);
    const QString name = program.completeBaseName() + QStringLiteral(".chm");
    const QString beside = program.absolutePath() + u'/' + name;
    if (QFileInfo(beside).isFile())
        return beside;
    const QString installed =
        QDir::cleanPath(program.absolutePath() + u'/' + QStringLiteral(PELLUMO_DATA_FROM_BIN) + u'/' + name);
    return QFileInfo(installed).isFile() ? installed : beside;
}

QRect KeepOnScreen(const QRect& window, const QRect& available)
{
    if (available.isEmpty() || window.isEmpty() || available.contains(window))
        return window;
    QRect placed = window;
    if (!placed.intersects(available)) {
        // Lost on a screen that is gone: bring it back, as far as it fits.
        placed.moveLeft(std::max(available.left(), std::min(placed.left(), available.right() - placed.width() + 1)));
        placed.moveTop(std::max(available.top(), std::min(placed.top(), available.bottom() - placed.height() + 1)));
    }
    return placed.intersected(available);
}

TfrmHelpViewer::TfrmHelpViewer(std::unique_ptr<TChmFile> chm, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , file(std::move(chm))
{
    setObjectName("frmHelpViewer");
    setWindowTitle(file->Title().isEmpty() ? QStringLiteral("Pellumo ヘルプ") : file->Title());
    resize(ViewerSize);

    auto* toolBar = new QToolBar(this);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    actBack = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("戻る"));
    actForward = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("進む"));
    actHome = toolBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("目次"));

    browser = new TChmBrowser(*file, this);
    browser->setObjectName("Browser");
    browser->setOpenLinks(false);
    browser->setOpenExternalLinks(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(browser);

    actBack->setEnabled(false);
    actForward->setEnabled(false);
    connect(actBack, &QAction::triggered, browser, &QTextBrowser::backward);
    connect(actForward, &QAction::triggered, browser, &QTextBrowser::forward);
    connect(actHome, &QAction::triggered, this, [this] { ShowTopic(file->DefaultTopic()); });
    connect(browser, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);
    connect(browser, &QTextBrowser::anchorClicked, this, &TfrmHelpViewer::LinkClicked);
}

TfrmHelpViewer::~TfrmHelpViewer() = default;

QString TfrmHelpViewer::CurrentTopic() const
{
    return browser->source().path(QUrl::FullyDecoded);
}

void TfrmHelpViewer::ShowTopic(const QString& path)
{
    browser->setSource(TopicUrl(path), QTextDocument::HtmlResource);
}

void TfrmHelpViewer::LinkClicked(const QUrl& link)
{
    const QUrl target = browser->source().resolved(link);
    if (target.scheme() == QLatin1String(Scheme))
        browser->setSource(target, QTextDocument::HtmlResource);
    else
        OpenUrl(target); // the browser takes web pages; anything else goes nowhere
}

THtmlHelp::THtmlHelp(QWidget* ownerWindow)
    : QObject(ownerWindow)
    , owner(ownerWindow)
{
}

TfrmHelpViewer* THtmlHelp::OpenViewer(const QString& helpFile)
{
    if (viewer && viewer->File().FileName() == helpFile)
        return viewer;
    auto file = std::make_unique<TChmFile>(helpFile);
    if (!file->IsOpen())
        return nullptr;
    delete viewer;
    viewer = new TfrmHelpViewer(std::move(file), owner);
    if (owner)
        viewer->move(owner->geometry().center() - viewer->rect().center());
    return viewer;
}

bool THtmlHelp::ShowHtmlHelp(const QString& helpFile, THelpCommand command, int data)
{
    if (helpFile.isEmpty() || !QFileInfo(helpFile).isFile())
        return false;
    TfrmHelpViewer* window = OpenViewer(helpFile);
    if (!window)
        return false;
    QString topic = command == THelpCommand::Context ? window->File().ContextTopic(quint32(data)) : QString();
    if (topic.isEmpty())
        topic = window->File().DefaultTopic();
    if (topic.isEmpty() || !window->File().Contains(topic))
        return false;
    window->ShowTopic(topic);
    window->show();
    window->raise();
    window->activateWindow();
    if (lastPlaced != window) {
        lastPlaced = window;
        PlaceOnScreen(*window);
    }
    return true;
}

void THtmlHelp::PlaceOnScreen(QWidget& window) const
{
    const QScreen* screen = owner ? owner->screen() : window.screen();
    if (!screen)
        return;
    // The rule applies to the whole window, frame included; the client area
    // follows it.
    const QRect frame = window.frameGeometry();
    const QRect placed = KeepOnScreen(frame, screen->availableGeometry());
    if (placed == frame)
        return;
    const QMargins margins(window.geometry().left() - frame.left(), window.geometry().top() - frame.top(),
                           frame.right() - window.geometry().right(), frame.bottom() - window.geometry().bottom());
    window.setGeometry(placed.marginsRemoved(margins));
}
