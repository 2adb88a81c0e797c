#include "app/UDialogs.h"

#include "app/FProgress.h"

#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

std::unique_ptr<TDialogs>& Installed()
{
    static std::unique_ptr<TDialogs> dialogs = std::make_unique<TQtDialogs>();
    return dialogs;
}

int MessageBox(QWidget* parent, const QString& title, const QString& text, QMessageBox::StandardButtons buttons)
{
    // The program's texts break lines with CR LF; Qt's labels take LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::NoIcon, title, shown, buttons, parent);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec();
}

bool RunFileDialog(QFileDialog& dialog, TFileDialogRequest& request)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    request.FileName = dialog.selectedFiles().constFirst();
    if (const int index = TQtDialogs::SelectedFilterIndex(dialog); index > 0)
        request.FilterIndex = index;
    return true;
}

} // namespace

TDialogs& TDialogs::Current()
{
    return *Installed();
}

std::unique_ptr<TDialogs> TDialogs::Install(std::unique_ptr<TDialogs> dialogs)
{
    std::unique_ptr<TDialogs> previous = std::move(Installed());
    Installed() = dialogs ? std::move(dialogs) : std::make_unique<TQtDialogs>();
    return previous;
}

int TDialogs::ExecuteModal(QDialog& dialog)
{
    return dialog.exec();
}

std::unique_ptr<TProgress> TDialogs::BeginProgress(QWidget* parent, const QString& title, const QString& text,
                                                   int total)
{
    return std::make_unique<TdlgProgress>(parent, title, text, total);
}

bool TQtDialogs::AskOkCancel(QWidget* parent, const QString& title, const QString& text)
{
    return MessageBox(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}

void TQtDialogs::Notify(QWidget* parent, const QString& title, const QString& text)
{
    MessageBox(parent, title, text, QMessageBox::Ok);
}

bool TQtDialogs::ExecuteOpen(QWidget* parent, TFileDialogRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    PrepareFileDialog(dialog, request);
    return RunFileDialog(dialog, request);
}

bool TQtDialogs::ExecuteSave(QWidget* parent, TFileDialogRequest& request)
{
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    PrepareFileDialog(dialog, request);
    return RunFileDialog(dialog, request);
}

void TQtDialogs::PrepareFileDialog(QFileDialog& dialog, const TFileDialogRequest& request)
{
    dialog.setWindowTitle(request.Title);
    // Our filter texts already show their patterns ("JPEG形式(*.jpg)"); Qt
    // would add them a second time.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QStringList filters = TQtDialogs::QtNameFilters(request.Filter);
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    if (!request.InitialDir.isEmpty())
        dialog.setDirectory(request.InitialDir);
    if (!request.FileName.isEmpty()) {
        const QFileInfo preset(request.FileName);
        if (preset.isAbsolute())
            dialog.setDirectory(preset.absolutePath());
        dialog.selectFile(preset.fileName());
    }
    if (!request.DefaultExt.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExt);
}

int TQtDialogs::SelectedFilterIndex(const QFileDialog& dialog)
{
    // With the details hidden Qt's own dialog names the chosen filter by its
    // shown text, a native one by the whole filter: either identifies it.
    const QString chosen = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        if (filter == chosen || filter.left(filter.lastIndexOf(QStringLiteral(" ("))).simplified() == chosen)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

QStringList TQtDialogs::QtNameFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        result.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns));
    }
    return result;
}
