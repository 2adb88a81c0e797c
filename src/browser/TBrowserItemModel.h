#pragma once

#include <QAbstractListModel>
#include <QStringList>

#include <functional>

// The browser's items: one per picture, in picture order (never sorted), so
// row i always shows picture i. Each keeps its full text and the caption
// shown, which may be that text shortened.
class TBrowserItemModel : public QAbstractListModel
{
    Q_OBJECT
public:
    enum Roles { FullTextRole = Qt::UserRole + 1 };

    using TInfoTip = std::function<QString(int row)>;

    explicit TBrowserItemModel(QObject* parent = nullptr);

    // Replaces every item with one per text; captions start as the full texts.
    void SetTexts(const QStringList& texts);
    // Recomputes every caption from its full text.
    void FitCaptions(const std::function<QString(const QString&)>& shorten);

    QString FullText(int row) const { return texts.value(row); }
    QString Caption(int row) const { return captions.value(row); }

    // The tool tip of a row (Qt::ToolTipRole); empty for none.
    TInfoTip OnInfoTip;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    QStringList texts;
    QStringList captions;
};
