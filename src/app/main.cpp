#include "app/UApplication.h"
#include "app/UKadrix.h"
#include "support/Pathutil.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <memory>
#include <stdexcept>

int main(int argc, char* argv[])
{
    // A file-size limit then fails the write (and the write helper reports
    // it) instead of killing the process with the host's result unwritten.
    std::signal(SIGXFSZ, SIG_IGN);
    TKadrixApplication app(argc, argv); // takes Qt's own options out of argv
    if (argc > 1 && !Pathutil::IsRepresentablePath(argv[1])) {
        // A host waits for its folder to be used: running on our own in a
        // temporary folder instead would lose its work without a word.
        std::fprintf(stderr, "pellumo: cannot use \"%s\": the name is not valid UTF-8\n",
                     qPrintable(QFile::decodeName(argv[1])));
        return 2;
    }
    std::unique_ptr<TfrmKadrix> window;
    try {
        window = std::make_unique<TfrmKadrix>(TKadrixApplication::arguments().mid(1));
    } catch (const std::exception& error) {
        // Without a work folder the program cannot do anything useful.
        std::fprintf(stderr, "pellumo: %s\n", error.what());
        return 1;
    }
    window->show();
    window->OpenArgumentMovie(TKadrixApplication::arguments().mid(1));
    app.exec();
    return TKadrixApplication::ExitCode();
}
