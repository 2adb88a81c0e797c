#pragma once

#include <QString>
#include <array>
#include <optional>

// The product version of a program file: major, minor, release, build.
using TVersionNumbers = std::array<quint16, 4>;

// Reads the version the build embeds in an executable as an ELF note (name
// "Pellumo", type 1, four 16-bit numbers in the file's byte order; see
// cmake/PellumoVersionNote.cmake). The file is read on the first query and
// the result kept until the file name changes.
class TFileVer
{
public:
    static constexpr const char* NoteName = "Pellumo";
    static constexpr quint32 NoteType = 1;

    explicit TFileVer(const QString& fileName = {});

    const QString& FileName() const { return fileName; }

    // The version, or nothing for a file without the note, a damaged or
    // truncated ELF file, or a file that is not ELF at all.
    std::optional<TVersionNumbers> Query();

    // "major.minor.release.build"; "1.0.0.0" when the file has no version.
    static QString VersionText(const std::optional<TVersionNumbers>& version);

private:
    QString fileName;
    bool loaded = false;
    std::optional<TVersionNumbers> version;
};
