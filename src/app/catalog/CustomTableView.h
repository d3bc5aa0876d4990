#pragma once

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>

// The recording list's table: dark column headers whose "info" column
// carries the title of the list on show. Selection is drawn from the model
// (RecordingListModel::HighlightRole): clicks never select by themselves.
class CustomTableView : public QTableView {
    Q_OBJECT
public:
    explicit CustomTableView(QWidget* parent = nullptr);

    // The header text of the "info" column.
    QString infoTitle;
    // Puts infoTitle into the info column's header and redraws the headers.
    void setupHeader();
};

// Header sections on black with a dark grey swatch and white 15-point text;
// the info column's header keeps a 1-pixel black line at its right edge.
class CustomHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit CustomHeaderView(QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

// Draws a row: the highlighted row filled with the selection colour (all but
// its bottom line), the info column as date, time and type lines, the image
// column as the thumbnail.
class ChapterInfoDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};
