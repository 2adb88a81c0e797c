#pragma once

#include "support/UTextCodec.h"

#include <QString>
#include <QStringList>
#include <stdexcept>
#include <vector>

// Raised when an INI file cannot be read or written; the message names the file.
class EIniFileError : public std::runtime_error
{
public:
    explicit EIniFileError(const QString& message);
};

// An INI file held in memory: sections of "key=value" lines, read once and
// written back as a whole. Section and key names compare case-insensitively;
// values are the text after the first "=" exactly as it stands.
//
// File form: empty lines and lines starting with ";" are dropped, as are the
// lines before the first section. Written as "[name]", the entry lines and an
// empty line per section, with CR LF line ends, in the encoding the file was
// read in (UTF-8, or Shift-JIS when the file was not valid UTF-8; a UTF-8
// byte-order mark is kept). Characters
// Shift-JIS lacks, and CR or LF inside a written key or value, become "?".
class TIniDocument
{
public:
    // A document bound to no file.
    TIniDocument() = default;
    // Loads the file when it exists; an unreadable or undecodable file raises
    // EIniFileError.
    explicit TIniDocument(const QString& fileName);

    const QString& FileName() const { return fileName; }
    TextCodec::Encoding Encoding() const { return encoding; }

    void SetText(const QString& text);
    QString Text() const;

    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QStringList SectionNames() const;
    QStringList SectionKeys(const QString& section) const;

    QString ReadString(const QString& section, const QString& key, const QString& defaultValue) const;
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;
    void WriteString(const QString& section, const QString& key, const QString& value);
    // True when value is written exactly as it stands: no "?" for a character
    // the file's encoding lacks or for a line break.
    bool CanHold(const QString& value) const;
    void WriteInteger(const QString& section, const QString& key, int value);
    void EraseSection(const QString& section);
    void Clear() { sections.clear(); }

    // Replaces the bound file atomically; a failed write leaves the previous
    // file as it was and raises EIniFileError.
    void UpdateFile() const;

    // Integer reading: decimal, "0x"/"0X" hexadecimal when longer than two
    // characters, "$" hexadecimal; anything else gives the default.
    static int ParseInteger(const QString& text, int defaultValue);

private:
    struct Section
    {
        QString name;
        QStringList lines;
    };

    const Section* FindSection(const QString& name) const;
    Section* FindSection(const QString& name);
    static qsizetype FindKey(const Section& section, const QString& key);

    QString fileName;
    TextCodec::Encoding encoding = TextCodec::Encoding::Utf8;
    bool byteOrderMark = false;   // a UTF-8 file that began with one is written with one
    std::vector<Section> sections;
};
