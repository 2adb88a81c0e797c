#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

// Path text and folder helpers. Paths are POSIX: the delimiter is "/", and a
// root "/" keeps its delimiter.
namespace Pathutil {

inline constexpr QChar PathDelimiter = u'/';

// Raised when a folder cannot be created.
class EFolderError : public std::runtime_error
{
public:
    explicit EFolderError(const QString& message);
    QString Message() const { return QString::fromUtf8(what()); }
};

bool FolderExists(const QString& path);
bool EndsWithChar(const QString& text, QChar character);
QString AppendPathDelimiter(const QString& path);
QString RemovePathDelimiter(const QString& path);
QString CombinePath(const QString& folder, const QString& name);

// A file or folder without any write permission bit counts as read-only even
// for root (whoever made it so meant it); otherwise the process's own access
// decides. A path that does not exist is not read-only.
bool IsReadOnlyPath(const QString& path);
// Whether a file may be written or replaced: neither it nor its folder is
// read-only.
bool CanReplaceFile(const QString& path);

// Appends the full paths of all regular files below folder, recursively,
// leaving out every file and folder whose name begins with ".". Links are
// followed only to places inside folder, and each real file is listed once.
// Order: the file system's.
void CollectFiles(QStringList& list, const QString& folder);

// True when the file's real path (links resolved) lies inside the folder's
// real path: a file the program may replace or remove there.
bool IsInsideFolder(const QString& path, const QString& folder);

// Deletes the folder's contents recursively, then the folder itself when
// removeSelf is set. Failures are ignored; whatever cannot go stays.
void RemoveFolderTree(const QString& folder, bool removeSelf);

// Creates a new empty file prefix + 4 hex digits + ".tmp" in the temporary
// folder (QDir::tempPath()) and returns its full path; empty on failure.
QString MakeTempFileName(const QString& prefix);

// Creates and returns a new empty folder prefix + 4 hex digits + ".dir" in the
// temporary folder. Gives up with EFolderError after a bounded number of tries.
QString MakeUniqueTempFolder(const QString& prefix);

// Creates the folder and any missing parents. An empty path raises EFolderError.
bool MakeFolderPath(const QString& path);

// True when a file-system name read as bytes (a program argument) comes back
// unchanged from the QString it becomes: not valid UTF-8 would silently name
// another file.
bool IsRepresentablePath(const QByteArray& raw);

} // namespace Pathutil
