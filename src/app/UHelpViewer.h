#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTextBrowser>
#include <QWidget>
#include <memory>

class QAction;
class TChmFile;

// The two kinds of help request: the help file's default topic, or the
// topic of a context number.
enum class THelpCommand { Contents, Context };

// The help file of a program: its path with ".chm"; when there is none beside
// the program, the one in the installed data folder (<prefix>/share/pellumo).
// Returns the path beside the program when neither exists.
QString FindHelpFile(const QString& programPath);

// Where a newly opened help window goes: a window lying entirely outside the
// available area is first moved onto it; then whatever still sticks out is
// cut off. A window inside the area, or an empty area, is left as it is.
QRect KeepOnScreen(const QRect& window, const QRect& available);

// Shows the pages of a CHM file: links between topics are followed inside
// the viewer, web links open in the browser, anything else is ignored.
class TfrmHelpViewer : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmHelpViewer(std::unique_ptr<TChmFile> file, QWidget* parent = nullptr);
    ~TfrmHelpViewer() override;

    static constexpr const char* Scheme = "chm";

    const TChmFile& File() const { return *file; }
    QTextBrowser* Browser() const { return browser; }
    // The object path of the page shown ("/index.htm"), without fragment.
    QString CurrentTopic() const;
    // Shows an object path of the help file ("/topics/a.htm#keys").
    void ShowTopic(const QString& path);

private:
    void LinkClicked(const QUrl& link);

    std::unique_ptr<TChmFile> file;
    QTextBrowser* browser = nullptr;
    QAction* actBack = nullptr;
    QAction* actForward = nullptr;
    QAction* actHome = nullptr;
};

// A window's link to its help viewer: opens the help file on first use,
// shows the requested topic and keeps a newly seen viewer window on screen.
class THtmlHelp : public QObject
{
    Q_OBJECT
public:
    explicit THtmlHelp(QWidget* owner);

    // Shows help from helpFile; false when there is no file to show (no
    // name, missing or unreadable, or no topic for the request).
    bool ShowHtmlHelp(const QString& helpFile, THelpCommand command, int data);
    TfrmHelpViewer* Viewer() const { return viewer; }

private:
    TfrmHelpViewer* OpenViewer(const QString& helpFile);
    void PlaceOnScreen(QWidget& window) const;

    QWidget* owner;
    QPointer<TfrmHelpViewer> viewer;
    QPointer<QWidget> lastPlaced;
};
