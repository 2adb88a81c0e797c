#pragma once

#include <QMainWindow>

// The main window.
class TfrmKadrix : public QMainWindow
{
    Q_OBJECT
public:
    explicit TfrmKadrix(const QStringList& arguments, QWidget* parent = nullptr);
};
