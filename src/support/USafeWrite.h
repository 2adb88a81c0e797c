#pragma once

#include <QByteArrayView>
#include <QString>

#include <functional>
#include <stdexcept>
#include <vector>

// The one way the program writes a file. The bytes go into a hidden
// temporary file beside the target (".name.pellumo-XXXXXX"); every write,
// the sync and the close are checked, short writes included, and only a
// complete, synced file is renamed over the target. On any failure the
// temporary file is removed, the target stays byte for byte as it was, and
// ESafeWriteError says why in the system's words ("File too large", "No
// space left on device").
namespace SafeWrite {

class ESafeWriteError : public std::runtime_error
{
public:
    ESafeWriteError(const QString& fileName, int errorNumber);
    const QString& FileName() const { return fileName; }
    int ErrorNumber() const { return errorNumber; }
    // The system's text for the error, without the file name.
    QString Reason() const;

private:
    QString fileName;
    int errorNumber;
};

// A file written completely beside its target, not yet in place. The
// destructor removes the temporary file unless it was committed.
class TStagedFile
{
public:
    TStagedFile(const QString& target, QByteArrayView data);
    ~TStagedFile();
    TStagedFile(TStagedFile&& other) noexcept;
    TStagedFile& operator=(TStagedFile&&) = delete;
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    const QString& Target() const { return target; }
    // Renames the temporary file over the target.
    void Commit();

private:
    friend void CommitAll(std::vector<TStagedFile>& files);
    QString target;      // the link's target when the path was a symbolic link
    QString temporary;   // empty once committed
};

void WriteFile(const QString& path, QByteArrayView data);

// Puts every staged file in place, or none: each target is first moved
// aside, and when any step fails the moved originals are put back.
void CommitAll(std::vector<TStagedFile>& files);

// Tests replace the rename to make a step of CommitAll fail; returns the
// previous function. The function follows rename(2): 0 or -1 with errno.
using TRenameFunction = std::function<int(const QByteArray& from, const QByteArray& to)>;
TRenameFunction SetRenameForTesting(TRenameFunction rename);

} // namespace SafeWrite
