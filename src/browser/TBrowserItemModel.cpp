#include "browser/TBrowserItemModel.h"

TBrowserItemModel::TBrowserItemModel(QObject* parent) : QAbstractListModel(parent)
{
}

void TBrowserItemModel::SetTexts(const QStringList& newTexts)
{
    beginResetModel();
    texts = newTexts;
    captions = newTexts;
    endResetModel();
}

void TBrowserItemModel::FitCaptions(const std::function<QString(const QString&)>& shorten)
{
    for (int row = 0; row < texts.size(); ++row)
        captions[row] = shorten(texts[row]);
    if (!texts.isEmpty())
        emit dataChanged(index(0), index(int(texts.size()) - 1), {Qt::DisplayRole, Qt::ToolTipRole});
}

int TBrowserItemModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(texts.size());
}

QVariant TBrowserItemModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= texts.size())
        return {};
    switch (role) {
    case Qt::DisplayRole: return captions[index.row()];
    case FullTextRole: return texts[index.row()];
    case Qt::UserRole: return index.row();
    case Qt::ToolTipRole: {
        const QString tip = OnInfoTip ? OnInfoTip(index.row()) : QString();
        return tip.isEmpty() ? QVariant() : QVariant(tip);
    }
    default: return {};
    }
}

Qt::ItemFlags TBrowserItemModel::flags(const QModelIndex& index) const
{
    // Read-only captions, no dragging: items are selected and activated only.
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
