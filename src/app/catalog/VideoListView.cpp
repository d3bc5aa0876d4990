#include "app/catalog/VideoListView.h"

#include "app/catalog/CustomTableView.h"
#include "app/catalog/ListThumbnails.h"
#include "app/catalog/RecordingListModel.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QToolButton>
#include <QVBoxLayout>

// Outside any namespace, as Q_INIT_RESOURCE requires: the icons live in the
// static application library.
static void initCatalogueResources()
{
    Q_INIT_RESOURCE(catalog);
}

VideoListView::VideoListView(QWidget* parent) : QWidget(parent)
{
    initCatalogueResources();
    setObjectName(QStringLiteral("videoListView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1c, 0x1c, 0x1c));
    pal.setColor(QPalette::Base, QColor(0x26, 0x26, 0x26));
    pal.setColor(QPalette::Text, QColor(0xe8, 0xe8, 0xe8));
    pal.setColor(QPalette::Button, QColor(0x33, 0x33, 0x33));
    pal.setColor(QPalette::ButtonText, QColor(0xe8, 0xe8, 0xe8));
    setPalette(pal);

    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_tabViewA = new QWidget(this);
    m_tabViewA->setObjectName(QStringLiteral("tabViewA"));
    m_tabViewB = new QWidget(this);
    m_tabViewB->setObjectName(QStringLiteral("tabViewB"));
    for (QWidget* row : {m_tabViewA, m_tabViewB}) {
        auto* l = new QHBoxLayout(row);
        l->setContentsMargins(2, 2, 2, 2);
        l->setSpacing(2);
    }
    m_tabTrip = makeTab(m_tabViewA, QStringLiteral(":/list/tab_trip.svg"), tr("Trip"), tr("List from Engine ON till OFF"));
    m_tabChapter = makeTab(m_tabViewA, QStringLiteral(":/list/tab_chapter.svg"), tr("Chapter"),
                           tr("Break down list of selected trip"));
    m_tabAdventure = makeTab(m_tabViewA, QStringLiteral(":/list/tab_adventure.svg"), tr("Adventure"),
                             tr("List from Adventure ON till OFF"));
    m_tabEvent = makeTab(m_tabViewB, QStringLiteral(":/list/tab_event.svg"), tr("Event"),
                         tr("Event list at the time of sensing shock"));
    m_tabSurveillance = makeTab(m_tabViewB, QStringLiteral(":/list/tab_surveillance.svg"), tr("Surveillance"),
                                tr("Surveillance list at the time of sensing shock"));
    connect(m_tabTrip, &QToolButton::clicked, this, &VideoListView::onTripButton);
    connect(m_tabChapter, &QToolButton::clicked, this, &VideoListView::onChapterButton);
    connect(m_tabAdventure, &QToolButton::clicked, this, &VideoListView::onAdventureButton);
    connect(m_tabEvent, &QToolButton::clicked, this, &VideoListView::onEventButton);
    connect(m_tabSurveillance, &QToolButton::clicked, this, &VideoListView::onSurveillanceButton);

    m_table = new CustomTableView(this);
    m_table->setObjectName(QStringLiteral("listTable"));
    m_model = new RecordingListModel(this);
    m_table->setModel(m_model);
    m_table->horizontalHeader()->setSectionResizeMode(RecordingListModel::ImageColumn, QHeaderView::Fixed);
    m_table->horizontalHeader()->resizeSection(RecordingListModel::ImageColumn,
                                               RecordingListModel::THUMBNAIL_SIZE.width() + 8);
    m_table->horizontalHeader()->setSectionResizeMode(RecordingListModel::InfoColumn, QHeaderView::Stretch);
    connect(m_table, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (index.isValid()) rowClicked(index.row());
    });

    m_layout->addWidget(m_tabViewB);
    m_layout->addWidget(m_tabViewA);
    m_layout->addWidget(m_table, 1);
    setMinimumWidth(300);
    switchTab();
}

VideoListView::~VideoListView() = default;

QToolButton* VideoListView::makeTab(QWidget* row, const QString& icon, const QString& text, const QString& toolTip)
{
    auto* b = new QToolButton(row);
    b->setCheckable(true);
    b->setAutoExclusive(false);
    b->setIcon(QIcon(icon));
    b->setIconSize(QSize(20, 20));
    b->setText(text);
    b->setToolTip(toolTip);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The tab on show is lit; the others stay dark.
    b->setStyleSheet(QStringLiteral(
        "QToolButton { color: #d8d8d8; background: #2e2e2e; border: 1px solid #444; border-radius: 3px; padding: 3px; }"
        "QToolButton:hover { background: #3a3a3a; }"
        "QToolButton:checked { color: white; background: #2f6fa8; border-color: #4b8fd0; }"));
    row->layout()->addWidget(b);
    return b;
}

void VideoListView::onTripButton()
{
    m_list.setListType(ListType::Trip);
    switchTab();
}

void VideoListView::onChapterButton()
{
    m_list.setListType(m_list.chapterTabType());
    switchTab();
}

void VideoListView::onEventButton()
{
    m_list.setListType(ListType::Event);
    switchTab();
}

void VideoListView::onSurveillanceButton()
{
    m_list.setListType(ListType::Surveillance);
    switchTab();
}

void VideoListView::onAdventureButton()
{
    m_list.setListType(ListType::Adventure);
    switchTab();
}

void VideoListView::setData(const std::shared_ptr<CardData>& card)
{
    // A new catalogue makes its thumbnail files again under the same names.
    m_model->thumbnails()->forget();
    m_list.setData(card);
    switchTab();
}

void VideoListView::switchTab()
{
    for (QToolButton* b : {m_tabEvent, m_tabChapter, m_tabTrip, m_tabAdventure, m_tabSurveillance}) b->setChecked(false);
    QToolButton* on = m_tabEvent;
    switch (m_list.listType()) {
    case ListType::Trip:
        on = m_tabTrip;
        break;
    case ListType::Surveillance:
        on = m_tabSurveillance;
        break;
    case ListType::Adventure:
        on = m_tabAdventure;
        break;
    case ListType::TripChapter:
    case ListType::AdvChapter:
        on = m_tabChapter;
        break;
    case ListType::Event:
        break;
    }
    on->setChecked(true);
    const int row = m_list.currentRow();
    m_table->infoTitle = QCoreApplication::translate("VideoListView", RecordingList::headerText(m_list.listType()));
    m_table->setupHeader();
    arrangeTabRows();
    m_model->setRows({}, -1);
    reloadList();
    if (row >= 0) showRow(row);
}

void VideoListView::arrangeTabRows()
{
    // The row of the list on show sits next to the table.
    const bool protect = m_list.listType() == ListType::Event || m_list.listType() == ListType::Surveillance;
    QWidget* lower = protect ? m_tabViewB : m_tabViewA;
    QWidget* upper = protect ? m_tabViewA : m_tabViewB;
    if (m_layout->indexOf(upper) == 0 && m_layout->indexOf(lower) == 1) return;
    m_layout->removeWidget(upper);
    m_layout->removeWidget(lower);
    m_layout->insertWidget(0, upper);
    m_layout->insertWidget(1, lower);
}

void VideoListView::reloadList()
{
    m_model->setRows(m_list.records(), m_list.highlightedRow());
}

bool VideoListView::selectRow(int row, ListType type, bool doSwitchTab)
{
    if (!m_list.selectRow(row, type)) return false;
    if (doSwitchTab) {
        m_list.setListType(type);
        switchTab();
    }
    if (m_list.listType() == type) {
        m_model->setHighlightedRow(m_list.highlightedRow());
        showRow(row);
    }
    return true;
}

void VideoListView::resetCurrentRows()
{
    m_list.resetCurrentRows();
}

int VideoListView::selectedTableRow() const
{
    return m_model->highlightedRow();
}

void VideoListView::showRow(int row)
{
    if (row >= 0 && row < m_model->rowCount()) m_table->scrollTo(m_model->index(row, 0));
}

void VideoListView::rowClicked(int row)
{
    if (delegate) delegate->videoListDidSelect(m_list.listType(), row);
}
