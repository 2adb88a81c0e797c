#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

struct chmFile;

// A compiled HTML Help (CHM) file read through chmlib. Object paths are the
// file's own, starting with "/" ("/index.htm"); chmlib compares them without
// regard to case.
class TChmFile
{
public:
    // Objects larger than this are not read (a help page is a few kilobytes).
    static constexpr quint64 MaxObjectSize = 16 << 20;

    explicit TChmFile(const QString& fileName);
    ~TChmFile();
    TChmFile(const TChmFile&) = delete;
    TChmFile& operator=(const TChmFile&) = delete;

    bool IsOpen() const { return handle != nullptr; }
    const QString& FileName() const { return fileName; }

    bool Contains(const QString& path) const;
    std::optional<QByteArray> Read(const QString& path) const;

    // From the #SYSTEM record: the default topic ("/index.htm") and title.
    const QString& DefaultTopic() const { return defaultTopic; }
    const QString& Title() const { return title; }

    // The topic of a context number from the [MAP]/[ALIAS] tables (#IVB and
    // #STRINGS); empty when the number is not mapped or its target missing.
    QString ContextTopic(quint32 context) const;

private:
    void ReadSystem();
    QString ResolveTarget(QString target) const;

    QString fileName;
    chmFile* handle = nullptr;
    QString defaultTopic;
    QString title;
};
