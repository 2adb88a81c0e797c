#include "app/UApplication.h"
#include "app/UKadrix.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

int main(int argc, char* argv[])
{
    TKadrixApplication app(argc, argv);
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
