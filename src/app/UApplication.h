#pragma once

#include <QApplication>
#include <QTranslator>

// The application object. An exception that escapes an event handler ends
// that command and is dropped without a message, as is every error that
// reaches the top. Qt's own texts (file dialogs, standard buttons) are shown
// in Japanese like the rest of the program.
class TKadrixApplication : public QApplication
{
    Q_OBJECT
public:
    TKadrixApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // The process exit code; 0 unless a host result sets it.
    static int ExitCode();
    static void SetExitCode(int code);

private:
    QTranslator qtTranslator;
};
