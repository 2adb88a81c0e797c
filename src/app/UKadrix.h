#pragma once

#include "app/UDialogs.h"
#include "app/UIniDocument.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

class TMovieDecoder;

// The main window. Its creation decides the mode: host mode when argument 1
// names an existing folder (that folder is the work folder and setting.ini
// there is the exchange file), standalone mode otherwise (a fresh temporary
// work folder, deleted with everything in it at the end).
class TfrmKadrix : public QMainWindow
{
    Q_OBJECT
public:
    // arguments: the command-line arguments without the program name.
    explicit TfrmKadrix(const QStringList& arguments, QWidget* parent = nullptr);
    ~TfrmKadrix() override;

    static QString ExchangeFileName() { return QStringLiteral("setting.ini"); }

    // Mode and work folder, fixed at creation.
    const QString& WorkFolder() const { return workFolder; }
    bool HostMode() const { return hostMode; }
    int ButtonMode() const { return buttonMode; }
    TIniDocument* HostSettings() const { return hostSettings.get(); }
    const TIniDocument& SceneOrigins() const { return sceneOrigins; }

    // Scene files in scene order; SceneCount entries.
    const QStringList& SceneFiles() const { return sceneFiles; }
    int SceneCount() const { return sceneCount; }

    // The open-movie dialog's state: preset file or folder, last choice.
    const TFileDialogRequest& OpenDialog1() const { return openDialog1; }
    const QString& HelpFile() const { return helpFile; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const QStringList& arguments);
    void ReadCommandLine(const QStringList& arguments);
    void RestoreScenes();
    bool AdoptSceneFile(const QString& path);
    void ReadHostSettings(const QString& fileName);
    void LoadSceneOrigins();
    bool FormCloseQuery();
    void FormClose();
    void WriteHostSettings();

    QString workFolder;
    bool hostMode = false;
    int buttonMode = 0;
    std::unique_ptr<TIniDocument> hostSettings;
    TIniDocument sceneOrigins;
    QStringList sceneFiles;
    int sceneCount = 0;
    QString moviePath;
    QString helpFile;
    TFileDialogRequest openDialog1;
    std::unique_ptr<TMovieDecoder> movieDecoder;
};
