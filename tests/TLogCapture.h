#pragma once

#include <QLoggingCategory>
#include <QStringList>

// Turns on the "pellumo" warnings and records them while it lives.
class TLogCapture
{
public:
    TLogCapture()
    {
        Messages().clear();
        QLoggingCategory::setFilterRules(QStringLiteral("pellumo.warning=true"));
        previous = qInstallMessageHandler(&Record);
    }
    ~TLogCapture()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    }
    TLogCapture(const TLogCapture&) = delete;
    TLogCapture& operator=(const TLogCapture&) = delete;

    static QStringList& Messages()
    {
        static QStringList messages;
        return messages;
    }

private:
    static void Record(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && QByteArrayView(context.category) == "pellumo")
            Messages().append(message);
    }

    QtMessageHandler previous = nullptr;
};
