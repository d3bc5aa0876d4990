#include "app/catalog/CustomTableView.h"

#include "app/catalog/RecordingListModel.h"

#include <QPainter>

CustomTableView::CustomTableView(QWidget* parent) : QTableView(parent)
{
    setHorizontalHeader(new CustomHeaderView(this));
    verticalHeader()->hide();
    setShowGrid(false);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setItemDelegate(new ChapterInfoDelegate(this));
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(RecordingListModel::THUMBNAIL_SIZE.height() + 8);
}

void CustomTableView::setupHeader()
{
    if (auto* m = qobject_cast<RecordingListModel*>(model())) {
        m->infoTitle = infoTitle;
        Q_EMIT m->headerDataChanged(Qt::Horizontal, 0, m->columnCount() - 1);
    }
    horizontalHeader()->viewport()->update();
}

CustomHeaderView::CustomHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(false);
    setHighlightSections(false);
    QFont f = font();
    f.setPixelSize(15);
    setFont(f);
}

void CustomHeaderView::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    painter->save();
    painter->fillRect(rect, Qt::black);
    QRect swatch = rect;
    const bool info = logicalIndex == RecordingListModel::InfoColumn;
    if (info) swatch.setWidth(rect.width() - 1);
    painter->fillRect(swatch, QColor::fromRgbF(0.2, 0.2, 0.2, 1.0));
    const QString text = model() ? model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString()
                                 : QString();
    painter->setPen(Qt::white);
    painter->setFont(font());
    // The title's line sits on the header's bottom edge.
    const int titleHeight = painter->fontMetrics().height();
    painter->drawText(QRect(swatch.left(), rect.bottom() + 1 - titleHeight, swatch.width(), titleHeight),
                      Qt::AlignLeft | Qt::AlignTop, text);
    painter->restore();
}

void ChapterInfoDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const
{
    painter->save();
    const bool highlighted = index.data(RecordingListModel::HighlightRole).toBool();
    const QRect r = option.rect;
    if (highlighted) {
        const QColor selection = option.palette.color(QPalette::Active, QPalette::Highlight);
        painter->fillRect(QRect(r.left(), r.top(), r.width(), r.height() - 1), selection);
    }
    if (index.column() == RecordingListModel::ImageColumn) {
        const QPixmap p = index.data(Qt::DecorationRole).value<QPixmap>();
        if (!p.isNull()) {
            const QSize s = p.size().scaled(r.size() - QSize(8, 8), Qt::KeepAspectRatio);
            const QRect target(r.left() + (r.width() - s.width()) / 2, r.top() + (r.height() - s.height()) / 2,
                               s.width(), s.height());
            painter->drawPixmap(target, p);
        }
    } else {
        const QColor text = highlighted ? option.palette.color(QPalette::Active, QPalette::HighlightedText)
                                        : QColor(0xe8, 0xe8, 0xe8);
        painter->setPen(text);
        QFont f = option.font;
        f.setPixelSize(14);
        painter->setFont(f);
        const QRect inner = r.adjusted(8, 6, -6, -6);
        const int line = inner.height() / 3;
        painter->drawText(QRect(inner.left(), inner.top(), inner.width(), line), Qt::AlignVCenter,
                          index.data(RecordingListModel::DateRole).toString());
        painter->drawText(QRect(inner.left(), inner.top() + line, inner.width(), line), Qt::AlignVCenter,
                          index.data(RecordingListModel::TimeRole).toString());
        f.setBold(true);
        painter->setFont(f);
        painter->setPen(highlighted ? text : QColor(0xf0, 0xb0, 0x30));
        painter->drawText(QRect(inner.left(), inner.top() + 2 * line, inner.width(), line), Qt::AlignVCenter,
                          index.data(RecordingListModel::TypeRole).toString());
    }
    painter->restore();
}

QSize ChapterInfoDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == RecordingListModel::ImageColumn)
        return RecordingListModel::THUMBNAIL_SIZE + QSize(8, 8);
    return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(150, 80));
}
