#pragma once

#include <QString>

#include <stdexcept>

// A picture file the program refuses to read: wrong signature, an unsupported
// layout or sizes that cannot be right. Picture collections turn it into the
// error picture; the message is for logs, never shown to the user.
class EInvalidGraphic : public std::runtime_error
{
public:
    explicit EInvalidGraphic(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// The data ends before everything the headers announce has been read.
class EReadError : public std::runtime_error
{
public:
    EReadError() : std::runtime_error("Stream read error") {}
};
